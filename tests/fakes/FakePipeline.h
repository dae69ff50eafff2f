// Test doubles of the pipeline's objects: streams that record what passes and fail on demand, a
// communicator that hands them out, and a manager control that records shutdown requests.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FakeComObject.h"
#include "FilterPipeline/PDLStreamFilter/IPDLStreamFilterAccountSink.h"

class FakeReadStream : public FakeComObject<IPrintReadStream> {
  public:
    explicit FakeReadStream(std::string content)
        : FakeComObject(IID_IPrintReadStream), content(std::move(content)) {}

    HRESULT STDMETHODCALLTYPE Seek(LONGLONG offset, DWORD origin, ULONGLONG* newPosition) override;
    HRESULT STDMETHODCALLTYPE ReadBytes(void* buffer, ULONG requested, ULONG* read,
                                        BOOL* endOfFile) override;

    // The Nth ReadBytes call (1-based) fails with E_FAIL; 0 fails none.
    int failingRead = 0;
    int reads = 0;
    // At most this many bytes per call (0: as many as asked for), as a previous filter that cuts
    // its stream into small pieces would give them.
    ULONG chunk = 0;
    // Calls from the Nth on return no bytes and no end (0: none does), as a broken stream would.
    int emptyFrom = 0;
    // Every Nth call returns no bytes and no end, and the stream goes on after it (0: none).
    int emptyEvery = 0;
    // A call that fills the whole request claims this many bytes more than were asked for.
    ULONG overReportBy = 0;
    // Called during the Nth ReadBytes call (1-based), after its bytes were served; 0: never.
    int hookedRead = 0;
    std::function<void()> duringHookedRead;
    // Every Seek fails with this when it is a failure code.
    HRESULT seekResult = S_OK;
    std::vector<ULONG> requested;

  private:
    std::string content;
    std::size_t position = 0;
};

class FakeWriteStream : public FakeComObject<IPrintWriteStream> {
  public:
    FakeWriteStream() : FakeComObject(IID_IPrintWriteStream) {}

    HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG count, ULONG* written) override;
    void STDMETHODCALLTYPE Close() override { ++closes; }

    // The Nth WriteBytes call (1-based) fails with `failingWriteResult`; 0 fails none.
    int failingWrite = 0;
    HRESULT failingWriteResult = E_FAIL;
    int writes = 0;
    // Called during the Nth WriteBytes call (1-based), after its block was kept, or before it
    // fails when it is the failing one; 0: never.
    int hookedWrite = 0;
    std::function<void()> duringHookedWrite;
    int closes = 0;
    std::string written;
    std::vector<std::string> blocks;
    // For each block written: whether the writing thread impersonated a user at that moment.
    std::vector<bool> impersonating;
};

class FakeCommunicator : public FakeComObject<IInterFilterCommunicator> {
  public:
    FakeCommunicator(IUnknown* reader, IUnknown* writer);
    ~FakeCommunicator() override;

    HRESULT STDMETHODCALLTYPE RequestReader(void** reader) override;
    HRESULT STDMETHODCALLTYPE RequestWriter(void** writer) override;

    HRESULT readerResult = S_OK;
    HRESULT writerResult = S_OK;

  private:
    IUnknown* reader;
    IUnknown* writer;
};

class FakeManagerControl : public FakeComObject<IPrintPipelineManagerControl> {
  public:
    FakeManagerControl() : FakeComObject(IID_IPrintPipelineManagerControl) {}

    // Keeps the description of the error record, as the manager would log it.
    HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT reason, IImgErrorInfo* record) override;
    HRESULT STDMETHODCALLTYPE FilterFinished() override { return S_OK; }

    std::vector<HRESULT> shutdownReasons;
    std::vector<std::string> shutdownDescriptions;
    std::vector<std::string> shutdownSources;
};

class FakePropertyBag : public FakeComObject<IPrintPipelinePropertyBag> {
  public:
    FakePropertyBag() : FakeComObject(IID_IPrintPipelinePropertyBag) {}
    // Lets go of the interface references held in `values`.
    ~FakePropertyBag() override;

    HRESULT STDMETHODCALLTYPE AddProperty(const WCHAR*, const VARIANT*) override {
        return E_NOTIMPL;
    }
    // A listed name gives its text as a BSTR; any other fails as a missing property does.
    HRESULT STDMETHODCALLTYPE GetProperty(const WCHAR* name, VARIANT* value) override;
    BOOL STDMETHODCALLTYPE DeleteProperty(const WCHAR*) override { return FALSE; }

    std::map<std::basic_string<WCHAR>, std::basic_string<WCHAR>> strings;
    // Values of other types (numbers, booleans, VT_EMPTY), handed out as they are.
    std::map<std::basic_string<WCHAR>, VARIANT> values;
    std::vector<std::basic_string<WCHAR>> requestedNames;
};

// The pipeline manager's account sink: keeps every record; answers `result`, or throws when told.
class FakeAccountSink : public FakeComObject<IPDLStreamFilterAccountSink> {
  public:
    FakeAccountSink() : FakeComObject(IID_IPDLStreamFilterAccountSink) {}
    HRESULT STDMETHODCALLTYPE Record(const char* json, ULONG count) override;

    std::vector<std::string> records;
    HRESULT result = S_OK;
    bool throws = false;
};
