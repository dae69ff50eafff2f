// Running the filter's life cycle for one job.
#include "host/pipeline/JobRun.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "FilterPipeline/PDLStreamFilter/PDLStreamFilterModes.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/FilterModule.h"
#include "host/pipeline/HostAccountSink.h"
#include "host/pipeline/HostCommunicator.h"
#include "host/pipeline/HostDriverPropertyBag.h"
#include "host/pipeline/HostManagerControl.h"
#include "host/pipeline/HostPropertyBag.h"
#include "host/pipeline/HostReadStream.h"
#include "host/pipeline/HostSpooler.h"
#include "host/pipeline/HostWriteStream.h"

namespace {
using Wide = std::basic_string<WCHAR>;

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

// The pipeline's standard properties and the account sink first; the job file's properties may
// replace any of them.
Owned<HostPropertyBag> BuildPropertyBag(const JobFile& job, const HostSpooler& spooler,
                                        HostAccountSink* sink) {
    Owned<HostPropertyBag> bag(new HostPropertyBag());
    VARIANT account;
    VariantInit(&account);
    account.vt = VT_UNKNOWN;
    account.punkVal = sink;
    sink->AddRef();
    bag->Set(kPDLStreamFilterAccountSinkProperty, account);
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
    if (job.keepPageSetup) {
        bag->Set(kPDLStreamFilterKeepPageSetupProperty, VariantOf(true));
    }
    for (const auto& [name, value] : job.properties) {
        bag->Set(TextConversion::FromUtf8(name), VariantOf(value));
    }
    if (job.everyPageFeatures) {
        bag->SetEveryPageFeatures(TextConversion::FromUtf8(*job.everyPageFeatures));
    }
    return bag;
}

// The filter's life cycle; the HRESULT of the first call that failed.
HRESULT RunFilterLifeCycle(IPrintPipelinePropertyBag* bag, IInterFilterCommunicator* communicator,
                           IPrintPipelineManagerControl* control, JobCancellation* cancellation) {
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
        if (cancellation != nullptr) {
            cancellation->Attach(filter);
        }
        result = filter->StartOperation();
        filter->ShutdownOperation();
        if (cancellation != nullptr) {
            cancellation->Detach();
        }
    }
    filter->Release();
    return result;
}

// The result and what explains a failure: the filter's error record, or why the module could not
// be run at all.
std::pair<HRESULT, std::string> RunFilter(IPrintPipelinePropertyBag* bag,
                                          IInterFilterCommunicator* communicator,
                                          HostManagerControl& control,
                                          JobCancellation* cancellation) {
    try {
        const HRESULT result = RunFilterLifeCycle(bag, communicator, &control, cancellation);
        return {result, FAILED(result) ? control.Description() : std::string()};
    } catch (const std::exception& failure) {
        return {E_FAIL, failure.what()};
    }
}
}  // namespace

JobRun::Outcome JobRun::Execute(const JobFile& job, std::FILE* input, bool inputSeekable,
                                std::FILE* output, std::ostream& notes,
                                JobCancellation* cancellation, HostReadStream::Observer observer) {
    const HostSpooler spooler(job);
    for (const std::string& note : spooler.Notes()) {
        notes << "pdl-stream-filter: note: " << note << "\n";
    }
    const Owned<HostAccountSink> sink(new HostAccountSink());
    const Owned<HostPropertyBag> bag = BuildPropertyBag(job, spooler, sink.get());
    const Owned<HostReadStream> reader(new HostReadStream(input, inputSeekable));
    reader->ObserveFirstReads(std::move(observer));
    const Owned<HostWriteStream> writer(new HostWriteStream(output));
    const Owned<HostCommunicator> communicator(new HostCommunicator(reader.get(), writer.get()));
    const Owned<HostManagerControl> control(new HostManagerControl());

    Outcome outcome;
    std::tie(outcome.result, outcome.message) =
        RunFilter(bag.get(), communicator.get(), *control, cancellation);
    // The filter closes its writer as its operation ends; one that never got that far leaves
    // nothing held, and this is then all the close there is.
    writer->Close();
    if (SUCCEEDED(outcome.result) && writer->Failed()) {
        outcome.result = HostWriteStream::kWriteFault;
        outcome.message = "the output could not be written completely";
    }
    if (writer->Failed() && !writer->FailureReason().empty()) {
        outcome.message += " (" + writer->FailureReason() + ")";
    }
    outcome.bytesIn = reader->BytesConsumed();
    outcome.bytesOut = writer->BytesWritten();
    outcome.account = sink->Records();
    return outcome;
}
