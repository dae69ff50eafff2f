// Runs one job through the filter module as the pipeline manager does: class factory, filter,
// InitializeFilter with a property bag, streams and a manager control, StartOperation, Release.
// The pipeline's standard properties come from a test queue, a spooler job and a user token.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/job/JobFile.h"
#include "host/pipeline/FilterModule.h"
#include "tests/fakes/FakePipeline.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestSpooler.h"

struct OperationOutcome {
    HRESULT result = E_UNEXPECTED;
    std::string output;
    std::vector<std::string> blocks;
    std::vector<bool> impersonating;
    std::vector<HRESULT> shutdownReasons;
    std::vector<std::string> shutdownDescriptions;
    std::vector<std::string> shutdownSources;
    int writerCloses = 0;
    int reads = 0;
    // Blocks the write stream had received when ShutdownOperation returned; -1: it was not called.
    int blocksAtShutdown = -1;
    HRESULT shutdownAnswer = E_UNEXPECTED;
    std::vector<std::string> account;
};

// The text of each child of the root of an XML file the Atrium hand-off wrote, by element name.
std::map<std::u16string, std::u16string> XmlChildrenOf(const CXString& path);

// The Atrium job folders that appear under a root from one moment to the next; the root may
// hold folders of earlier runs (the Windows prefix keeps its common data folder).
class JobFolderWatch {
  public:
    explicit JobFolderWatch(CXString root);
    // The one folder added since the last call (or construction), with a trailing separator;
    // "none" or "several" otherwise.
    CXString NewFolder();

  private:
    CXString root;
    std::vector<std::string> seen;
};

class OperationHarness {
  public:
    // `separatorFile` non-empty gives the queue a separator page.
    explicit OperationHarness(const CXString& separatorFile = CXString(),
                              const CXString& documentName = CXString(WIDE("Quarterly report")));
    ~OperationHarness();
    OperationHarness(const OperationHarness&) = delete;
    OperationHarness& operator=(const OperationHarness&) = delete;

    void SetProperty(const std::u16string& name, const std::u16string& text);
    void SetProperty(const std::u16string& name, const VARIANT& value);
    // The host's driver property bag with these values in the pipeline's "DriverPropertyBag".
    void AddDriverBag(const JobFile::Driver& driver);
    void AddDriverBag(LONG pdl) { AddDriverBag({.pdl = pdl}); }
    void TurnAtriumOn() const;
    // Puts an account sink into the pipeline property bag; Run keeps its records in the outcome.
    FakeAccountSink& AddAccountSink();

    OperationOutcome Run(const std::string& input);

    const CXString& Queue() const { return queue; }
    const TestJob& Job() const { return job; }
    const TestUserToken& User() const { return user; }
    // Faults of the read stream that Run makes over its input.
    struct ReaderFaults {
        int failingRead = 0;
        HRESULT seekResult = S_OK;
        ULONG chunk = 0;
    } readerFaults;
    FakeWriteStream* writer = nullptr;
    // Another thread calls ShutdownOperation, as the pipeline manager does for a cancelled job,
    // during the read stream's or the write stream's Nth call (1-based; the driver's first read of
    // 4 bytes is the first read), or after StartOperation returned (-1). 0: never. Or the
    // pipeline manager cancels the job between InitializeFilter and StartOperation.
    struct Cancellation {
        int duringRead = 0;
        int duringWrite = 0;
        bool beforeStart = false;
    } cancellation;

  private:
    static FilterModule& Module();
    void SetObjectProperty(const std::u16string& name, IUnknown* object);

    FakeReadStream* reader = nullptr;
    CXString queue;
    HANDLE printer = nullptr;
    TestJob job;
    TestUserToken user;
    FakePropertyBag* bag = nullptr;
    FakeAccountSink* accountSink = nullptr;
};
