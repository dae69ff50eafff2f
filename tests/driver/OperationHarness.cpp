// The pipeline manager's side of one job, for tests.
#include "OperationHarness.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <utility>

#include "FilterPipeline/PDLStreamFilter/CorvoAtriumHelper.h"
#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "host/pipeline/HostDriverPropertyBag.h"
#include "tests/support/WideText.h"

namespace {
std::basic_string<WCHAR> Name(const std::u16string& text) {
    return std::basic_string<WCHAR>(text.begin(), text.end());
}

VARIANT Handle(HANDLE handle) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BYREF;
    value.byref = handle;
    return value;
}
}  // namespace

std::map<std::u16string, std::u16string> XmlChildrenOf(const CXString& path) {
    std::u16string root;
    std::map<std::u16string, std::u16string> children;
    for (auto& [name, text] : XmlChildrenInOrder(path, root)) {
        children[name] = text;
    }
    return children;
}

JobFolderWatch::JobFolderWatch(CXString root)
    : root(std::move(root)), seen(EntriesOf(this->root)) {}

CXString JobFolderWatch::NewFolder() {
    const std::vector<std::string> now = EntriesOf(root);
    std::vector<std::string> added;
    std::set_difference(now.begin(), now.end(), seen.begin(), seen.end(),
                        std::back_inserter(added));
    seen = now;
    if (added.size() != 1) {
        return CXString(added.empty() ? WIDE("none") : WIDE("several"));
    }
    return root + CXString(added.front().c_str()) + CXString(WIDE("\\"));
}

FilterModule& OperationHarness::Module() {
    static FilterModule module(FilterModule::PathBesideExecutable());
    return module;
}

OperationHarness::OperationHarness(const CXString& separatorFile, const CXString& documentName)
    : queue(TestSpooler::NewPrinter(separatorFile)),
      printer(TestSpooler::Open(queue)),
      job(TestSpooler::NewJob(queue, printer, documentName)),
      bag(new FakePropertyBag()) {
    reader = new FakeReadStream(std::string());
    writer = new FakeWriteStream();
    bag->strings[Name(u"PrinterName")] = queue.str();
    bag->values[Name(u"PrinterHandle")] = Handle(printer);
    bag->values[Name(u"UserSecurityToken")] = Handle(user.Handle());
    VARIANT jobId;
    VariantInit(&jobId);
    jobId.vt = VT_UI4;
    jobId.ulVal = job.id;
    bag->values[Name(u"PrintJobId")] = jobId;
}

OperationHarness::~OperationHarness() {
    bag->Release();
    reader->Release();
    writer->Release();
    ClosePrinter(printer);
}

void OperationHarness::SetProperty(const std::u16string& name, const std::u16string& text) {
    bag->strings[Name(name)] = Name(text);
}

void OperationHarness::SetProperty(const std::u16string& name, const VARIANT& value) {
    bag->values[Name(name)] = value;
}

// The bag takes over the object's reference and lets it go with its values or when replaced.
void OperationHarness::SetObjectProperty(const std::u16string& name, IUnknown* object) {
    VARIANT& value = bag->values[Name(name)];
    if (value.vt == VT_UNKNOWN && value.punkVal != nullptr) {
        value.punkVal->Release();
    }
    VariantInit(&value);
    value.vt = VT_UNKNOWN;
    value.punkVal = object;
}

void OperationHarness::AddDriverBag(const JobFile::Driver& driver) {
    SetObjectProperty(u"DriverPropertyBag", new HostDriverPropertyBag(driver));
}

FakeAccountSink& OperationHarness::AddAccountSink() {
    if (accountSink == nullptr) {
        accountSink = new FakeAccountSink();
        SetObjectProperty(u"PDLStreamFilterAccountSink", accountSink);
    }
    return *accountSink;
}

void OperationHarness::TurnAtriumOn() const {
    TestSpooler::SetPrinterDataDword(queue, CXString(CorvoAtriumHelper::kPrinterDataValueName), 1);
}

OperationOutcome OperationHarness::Run(const std::string& input) {
    reader->Release();
    reader = new FakeReadStream(input);
    reader->failingRead = readerFaults.failingRead;
    reader->seekResult = readerFaults.seekResult;
    reader->chunk = readerFaults.chunk;
    auto* communicator = new FakeCommunicator(reader, writer);
    auto* control = new FakeManagerControl();
    IClassFactory* factory = nullptr;
    IPrintPipelineFilter* filter = nullptr;
    OperationOutcome outcome;
    if (FAILED(Module().GetClassObject(CLSID_PDLStreamFilter, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                       reinterpret_cast<void**>(&filter)))) {
        throw std::runtime_error("the filter cannot be created");
    }
    factory->Release();
    const HRESULT initialized = filter->InitializeFilter(communicator, bag, control);
    const auto cancel = [&] {
        std::thread([&] { outcome.shutdownAnswer = filter->ShutdownOperation(); }).join();
        outcome.blocksAtShutdown = static_cast<int>(writer->blocks.size());
    };
    reader->hookedRead = cancellation.duringRead;
    reader->duringHookedRead = cancel;
    writer->hookedWrite = cancellation.duringWrite;
    writer->duringHookedWrite = cancel;
    if (cancellation.beforeStart) {
        cancel();
    }
    outcome.result = SUCCEEDED(initialized) ? filter->StartOperation() : initialized;
    if (cancellation.duringRead < 0 || cancellation.duringWrite < 0) {
        cancel();
    }
    outcome.reads = reader->reads;
    if (accountSink != nullptr) {
        outcome.account = std::exchange(accountSink->records, {});
    }
    writer->duringHookedWrite = nullptr;
    filter->Release();
    outcome.output = writer->written;
    outcome.blocks = writer->blocks;
    outcome.impersonating = writer->impersonating;
    outcome.writerCloses = writer->closes;
    outcome.shutdownReasons = control->shutdownReasons;
    outcome.shutdownDescriptions = control->shutdownDescriptions;
    outcome.shutdownSources = control->shutdownSources;
    communicator->Release();
    control->Release();
    return outcome;
}
