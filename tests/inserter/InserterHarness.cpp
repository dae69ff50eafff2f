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
    OperationAccount account;
    PipelineOutput pipeline(writer, account);
    std::unique_ptr<EncryptingOutput> encrypting;
    if (!job.passPhrase.IsBlank()) {
        std::unique_ptr<MeridianEncryption> cipher =
            job.bracketedEncryption ? std::make_unique<BracketingEncryptor>()
                                    : std::make_unique<MeridianEncryption>(
                                          MeridianEncryption::kFormatVersionMode, CXString());
        encrypting = std::make_unique<EncryptingOutput>(
            pipeline, job.passPhrase, std::move(cipher),
            job.pdl == PdlValue::Xps ? ComReference<IPrintPipelinePropertyBag>(bag)
                                     : ComReference<IPrintPipelinePropertyBag>());
    }
    PdlOutput& output = encrypting ? static_cast<PdlOutput&>(*encrypting) : pipeline;
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
    if (!job.printReadyFile.IsEmpty()) {
        PrintReadyFilePassThrough(output, job.items).Run(job.printReadyFile);
        return;
    }
    InserterOptions options;
    options.pdlType = job.pdl;
    options.removeNativeStapling = job.removeStapling;
    options.legacyGreenFax = job.legacyFax;
    options.keepPageSetup = job.keepPageSetup;
    options.propertyBag = ComReference<IPrintPipelinePropertyBag>(bag);
    PDLInserter(output, reader, job.items, options).CopyStream();
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
