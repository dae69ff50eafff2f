// The inserter harness.
#include "InserterHarness.h"

#include <gtest/gtest.h>

#include "companion/Utilities/CPComException.h"
#include "tests/crypto/MeridianVectors.h"
#include "tests/support/WideText.h"

BracketingEncryptor::BracketingEncryptor()
    : MeridianEncryption(1, CXString(), std::make_unique<FixedRandomSource>(std::string(23, 'r')),
                         1) {}

bool BracketingEncryptor::EncryptByteBuffer(const BYTE* bytes, DWORD count, ByteBuffer& out,
                                            const CXString&, bool last) {
    if (count == 0 && !last) {
        return false;
    }
    const std::string sealed =
        "[" + std::string(reinterpret_cast<const char*>(bytes), count) + (last ? "]!" : "]");
    out.append(sealed.data(), sealed.size());
    return true;
}

void RunInserter(InserterJob& job, InserterRun& run) {
    auto* reader = new FakeReadStream(job.input);
    reader->chunk = job.readSize;
    reader->failingRead = job.failingRead;
    reader->emptyFrom = job.emptyReadsFrom;
    reader->emptyEvery = job.emptyReadsEvery;
    auto* writer = new FakeWriteStream();
    writer->failingWrite = job.failingWrite;
    writer->failingWriteResult = job.failingWriteResult;
    auto* bag = new FakePropertyBag();
    for (const auto& [name, value] : job.properties) {
        bag->strings[Wide(name)] = Wide(value);
    }
    struct Release {
        IUnknown* object;
        ~Release() { object->Release(); }
    } releaseReader{reader}, releaseWriter{writer}, releaseBag{bag};
    CorvoAtriumHelper helper(CXString(WIDE("doc")), CXString(WIDE("u")), CXString(WIDE("d")),
                             CXString(WIDE("no Atrium queue")),
                             CXString(WIDE("application/postscript")), 1,
                             ComReference<IPrintWriteStream>(writer));
    std::unique_ptr<MeridianEncryption> encryptor;
    if (!job.passPhrase.IsBlank() && job.bracketedEncryption) {
        encryptor = std::make_unique<BracketingEncryptor>();
    }
    PDLInserter inserter(&helper, reader, &job.items, ComReference<IPrintPipelinePropertyBag>(bag),
                         CPString(), job.pdl, job.removeStapling, job.legacyFax, false,
                         job.passPhrase, CXString(), std::move(encryptor));
    struct Collect {
        InserterRun& run;
        FakeWriteStream* writer;
        FakePropertyBag* bag;
        InserterJob& job;
        ~Collect() {
            run.propertyReads.clear();
            for (const auto& name : bag->requestedNames) {
                run.propertyReads.emplace_back(name.begin(), name.end());
            }
            run.output = writer->written;
            run.blocks = writer->blocks;
            run.inserted.clear();
            for (const auto& item : job.items) {
                run.inserted.push_back(item.isInserted);
            }
        }
    } collect{run, writer, bag, job};
    if (job.printReadyFile.IsEmpty()) {
        inserter.CopyStream();
    } else {
        inserter.PassThroughPrintReadyFile(job.printReadyFile);
    }
}

InserterRun RunInserter(InserterJob& job) {
    InserterRun run;
    RunInserter(job, run);
    return run;
}

HRESULT RunInserterFor(InserterJob& job, InserterRun& run) {
    try {
        RunInserter(job, run);
        return S_OK;
    } catch (const CPComException& failure) {
        return failure.GetHresult();
    }
}

PDLInsertionDataList Items(std::initializer_list<std::pair<DWORD, std::u16string_view>> items) {
    PDLInsertionDataList list;
    for (const auto& [type, text] : items) {
        list.emplace_back(type, WideString(text));
    }
    return list;
}

void ExpectOutputs(const std::vector<OutputCase>& cases) {
    for (const OutputCase& c : cases) {
        InserterJob job = c.job;
        EXPECT_EQ(c.expected, RunInserter(job).output) << c.label;
    }
}
