// Runs a job through a PDLInserter between in-memory pipeline streams of the tests, at a chosen
// read size, and keeps what happened: the output, every delivered block, every read's request.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/PDLInserter.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "tests/fakes/FakePipeline.h"

// An encryptor double: "[" + bytes + "]" for a block, "[" + bytes + "]!" for the last one, and
// every call recorded.
class RecordingEncryptor : public MeridianEncryption {
  public:
    struct Call {
        std::string bytes;
        bool last;
    };
    explicit RecordingEncryptor(std::vector<Call>& calls);
    bool EncryptByteBuffer(const BYTE* bytes, DWORD count, ByteBuffer& out,
                           const CXString& passPhrase, bool last) override;

  private:
    std::vector<Call>& calls;
};

struct InserterJob {
    std::string input;
    LONG pdl = PdlValue::PostScript;
    PDLInsertionDataList items;
    bool removeStapling = false;
    bool legacyFax = false;
    CXString passPhrase;
    bool recordEncryption = true;  // with a pass phrase: the double above, else the real cipher
    ULONG readSize = 0;            // 0: every read gets all it asks for
    int failingRead = 0;
    int emptyReadsFrom = 0;
    int failingWrite = 0;
    HRESULT failingWriteResult = E_FAIL;
    std::map<std::u16string, std::u16string> properties;
    CPString productData;
    bool bothPjlAndTicket = false;
    // With a path: PassThroughPrintReadyFile of that file instead of CopyStream.
    CXString printReadyFile;
};

struct InserterRun {
    std::string output;
    std::vector<std::string> blocks;
    std::vector<ULONG> requested;
    std::vector<RecordingEncryptor::Call> encryptions;
    std::vector<bool> inserted;
    std::vector<std::u16string> propertyReads;
};

// Runs the copy; exceptions pass to the caller after `run` holds what was delivered.
void RunInserter(InserterJob& job, InserterRun& run);
InserterRun RunInserter(InserterJob& job);
// Runs the copy; S_OK, or the HRESULT of the CPComException that ended it.
HRESULT RunInserterFor(InserterJob& job, InserterRun& run);
