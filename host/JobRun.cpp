// Running the filter's life cycle for one job.
#include "JobRun.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "FilterModule.h"
#include "FilterPipeline/PDLStreamFilter/CorvoAtriumHelper.h"
#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "HostCommunicator.h"
#include "HostDriverPropertyBag.h"
#include "HostManagerControl.h"
#include "HostPropertyBag.h"
#include "HostReadStream.h"
#include "HostSpooler.h"
#include "HostWriteStream.h"
#include "TextConversion.h"

namespace {
using Wide = std::basic_string<WCHAR>;
const std::string kPageFeaturesPrefix = "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_";

template <typename Object>
struct Released {
    void operator()(Object* object) const { object->Release(); }
};
template <typename Object>
using Owned = std::unique_ptr<Object, Released<Object>>;

VARIANT VariantOf(const JobFile::PropertyValue& value) {
    VARIANT variant;
    VariantInit(&variant);
    if (const auto* text = std::get_if<std::string>(&value)) {
        const Wide wide = TextConversion::FromUtf8(*text);
        variant.vt = VT_BSTR;
        variant.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    } else if (const auto* number = std::get_if<std::int32_t>(&value)) {
        variant.vt = VT_I4;
        variant.lVal = *number;
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        variant.vt = VT_BOOL;
        variant.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return variant;
}

VARIANT HandleVariant(HANDLE handle) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BYREF;
    variant.byref = handle;
    return variant;
}

// The pipeline's standard properties first; the job file's properties may replace any of them.
Owned<HostPropertyBag> BuildPropertyBag(const JobFile& job, const HostSpooler& spooler) {
    Owned<HostPropertyBag> bag(new HostPropertyBag());
    bag->SetText(WIDE("PrinterName"), TextConversion::FromUtf8(job.printer.name));
    bag->Set(WIDE("PrinterHandle"), HandleVariant(spooler.PrinterHandle()));
    bag->Set(WIDE("UserSecurityToken"), HandleVariant(spooler.UserToken()));
    VARIANT jobId;
    VariantInit(&jobId);
    jobId.vt = VT_UI4;
    jobId.ulVal = job.job.id;
    bag->Set(WIDE("PrintJobId"), jobId);
    if (!job.clientJobData.empty()) {
        bag->SetText(WIDE("Corvo_ClientJobData2"),
                     TextConversion::FromUtf8(job.ClientJobDataText()));
    }
    if (job.driver) {
        VARIANT driver;
        VariantInit(&driver);
        driver.vt = VT_UNKNOWN;
        driver.punkVal = new HostDriverPropertyBag(*job.driver);
        bag->Set(WIDE("DriverPropertyBag"), driver);
    }
    for (const auto& [name, value] : job.properties) {
        bag->Set(TextConversion::FromUtf8(name), VariantOf(value));
    }
    return bag;
}

// The settings the filter will find, for telling which items it should insert.
JobSettings ExpectedSettings(const JobFile& job, IPrintPipelinePropertyBag* bag) {
    JobSettings settings;
    const LONG pdl = job.driver ? job.driver->pdl : PdlValue::NoneKnown;
    settings.ReadPipelineProperties(bag, pdl);
    if (job.driver) {
        settings.qfciCompliant = job.driver->printStreamQFCICompliant;
        settings.fullQpifSupported = job.driver->fullQpifSupported;
        settings.greenSeparatorFixUp =
            job.driver->requiresGreenSeparatorPageFixUp &&
            (pdl != PdlValue::PclXl || job.printer.separatorPageSelected);
        settings.requiresBothPjlAndQcpt = job.driver->requiresBothPjlAndQcpt;
    }
    return settings;
}

std::vector<std::string> JobFolders() {
    const Wide root = CorvoAtriumHelper::JobsRoot().str();
    std::vector<std::string> names;
    std::error_code error;
    const std::filesystem::path native = TextConversion::NativePath(root);
    for (const auto& entry : std::filesystem::directory_iterator(native, error)) {
        names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<long> PagesGivenFeatures(const HostPropertyBag& bag) {
    std::vector<long> pages;
    for (const Wide& name : bag.AnsweredNames()) {
        const std::string text = TextConversion::ToUtf8(name);
        if (text.rfind(kPageFeaturesPrefix, 0) == 0 &&
            TextConversion::ToUtf8(bag.TextOf(name)).find_first_not_of(" \t\r\n") !=
                std::string::npos) {
            pages.push_back(std::stol(text.substr(kPageFeaturesPrefix.size())));
        }
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

// The job folder that appeared under the jobs root during the run, if one did.
std::optional<std::string> NewJobFolder(const std::vector<std::string>& before) {
    const std::vector<std::string> after = JobFolders();
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    return added.size() == 1 ? std::optional<std::string>(added.front()) : std::nullopt;
}

// The filter's life cycle; the HRESULT of the first call that failed.
HRESULT RunFilterLifeCycle(IPrintPipelinePropertyBag* bag, IInterFilterCommunicator* communicator,
                           IPrintPipelineManagerControl* control) {
    const FilterModule module(FilterModule::PathBesideExecutable());
    IClassFactory* factory = nullptr;
    HRESULT result = module.GetClassObject(CLSID_PDLStreamFilter, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory));
    if (FAILED(result)) {
        return result;
    }
    IPrintPipelineFilter* filter = nullptr;
    result = factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                     reinterpret_cast<void**>(&filter));
    factory->Release();
    if (FAILED(result)) {
        return result;
    }
    result = filter->InitializeFilter(communicator, bag, control);
    if (SUCCEEDED(result)) {
        result = filter->StartOperation();
        filter->ShutdownOperation();
    }
    filter->Release();
    return result;
}

// The result and what explains a failure: the filter's error record, or why the module could not
// be run at all.
std::pair<HRESULT, std::string> RunFilter(IPrintPipelinePropertyBag* bag,
                                          IInterFilterCommunicator* communicator,
                                          HostManagerControl& control) {
    try {
        const HRESULT result = RunFilterLifeCycle(bag, communicator, &control);
        return {result, FAILED(result) ? control.Description() : std::string()};
    } catch (const std::exception& failure) {
        return {E_FAIL, failure.what()};
    }
}
}  // namespace

JobRun::Outcome JobRun::Execute(const JobFile& job, std::FILE* input, bool inputSeekable,
                                std::FILE* output, std::ostream& notes) {
    const HostSpooler spooler(job);
    for (const std::string& note : spooler.Notes()) {
        notes << "pdl-stream-filter: note: " << note << "\n";
    }
    const Owned<HostPropertyBag> bag = BuildPropertyBag(job, spooler);
    const JobSettings settings = ExpectedSettings(job, bag.get());
    InsertionWitness witness(settings, !settings.passPhrase.IsBlank());
    const Owned<HostReadStream> reader(new HostReadStream(input, inputSeekable));
    reader->SetObserver(
        [&witness](const char* bytes, std::size_t count) { witness.SeeInput(bytes, count); });
    const Owned<HostWriteStream> writer(new HostWriteStream(
        output,
        [&witness](const char* bytes, std::size_t count) { witness.SeeOutput(bytes, count); }));
    const Owned<HostCommunicator> communicator(new HostCommunicator(reader.get(), writer.get()));
    const Owned<HostManagerControl> control(new HostManagerControl());
    const std::vector<std::string> foldersBefore = JobFolders();

    Outcome outcome;
    std::tie(outcome.result, outcome.message) = RunFilter(bag.get(), communicator.get(), *control);
    if (SUCCEEDED(outcome.result) && writer->Failed()) {
        outcome.result = static_cast<HRESULT>(0x8007001D);
        outcome.message = "the output could not be written completely";
    }
    outcome.bytesIn = reader->BytesConsumed();
    outcome.bytesOut = writer->BytesWritten();
    outcome.atriumJobFolder = NewJobFolder(foldersBefore);
    outcome.items = witness.Items();
    outcome.pagesGivenFeatures = PagesGivenFeatures(*bag);
    return outcome;
}
