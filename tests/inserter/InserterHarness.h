// Runs a job through a PDLInserter between in-memory pipeline streams of the tests, at a chosen
// read size, and keeps what happened: the output, every delivered block, the property reads.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/PDLInserter.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "FilterPipeline/PDLStreamFilter/PipelineOutput.h"
#include "FilterPipeline/PDLStreamFilter/PrintReadyFilePassThrough.h"
#include "tests/fakes/FakePipeline.h"
#include "tests/support/JobText.h"

// An encryptor double that shows where each call's bytes went: "[" + bytes + "]" for a block,
// "[" + bytes + "]!" for the last one.
class BracketingEncryptor : public MeridianEncryption {
  public:
    BracketingEncryptor();
    bool EncryptByteBuffer(const BYTE* bytes, DWORD count, ByteBuffer& out,
                           const CXString& passPhrase, bool last) override;
};

struct InserterJob {
    std::string input{};
    LONG pdl = PdlValue::PostScript;
    PDLInsertionDataList items{};
    bool removeStapling = false;
    bool legacyFax = false;
    bool keepPageSetup = false;
    CXString passPhrase{};
    bool bracketedEncryption = true;  // with a pass phrase: the double above, else the real cipher
    ULONG readSize = 0;               // 0: every read gets all it asks for
    int failingRead = 0;
    int emptyReadsFrom = 0;
    int emptyReadsEvery = 0;
    int failingWrite = 0;
    HRESULT failingWriteResult = E_FAIL;
    std::map<std::u16string, std::u16string> properties{};
    // With a path: the pass-through of that file instead of the copy.
    CXString printReadyFile{};
};

struct InserterRun {
    std::string output;
    std::vector<std::string> blocks;
    std::vector<bool> inserted;
    std::vector<std::u16string> propertyReads;
};

// Runs the copy; exceptions pass to the caller after `run` holds what was delivered.
void RunInserter(InserterJob& job, InserterRun& run);
InserterRun RunInserter(InserterJob& job);
// Runs the copy; S_OK, or the HRESULT of the CPComException that ended it.
HRESULT RunInserterFor(InserterJob& job, InserterRun& run);

// Items of the given types and texts, in list order.
PDLInsertionDataList Items(std::initializer_list<std::pair<DWORD, std::u16string_view>> items);

// A job and the whole output it must give.
struct OutputCase {
    const char* label;
    InserterJob job;
    std::string expected;
};
// Runs every case and compares its whole output.
void ExpectOutputs(const std::vector<OutputCase>& cases);
