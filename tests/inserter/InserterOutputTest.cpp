// Where the bytes go: the encrypted section from the language switch to the UEL, the Atrium content
// file, and failed deliveries that end the job instead of vanishing.
#include <gtest/gtest.h>

#include "InserterHarness.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/MeridianDecryption.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestSpooler.h"

namespace {
const std::string kUel = "\x1b%-12345X";
const std::string kTrailer = kUel + "@PJL EOJ\r\n" + kUel;
const std::string kClosing = kUel + kUel + "@PJL EOJ\r\n" + kUel;

std::string PjlJob(const std::string& language, const std::string& body) {
    return kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=" + language + "\r\n" + body + kClosing;
}

TEST(InserterOutput, TheSectionRunsFromTheLanguageLineToTheFirstUel) {
    InserterJob job;
    job.input = PjlJob("POSTSCRIPT", "%!PS\nshowpage\n");
    job.passPhrase = CXString(WIDE("secret"));
    const InserterRun run = RunInserter(job);
    EXPECT_EQ(kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n[%!PS\nshowpage\n]!" + kTrailer,
              run.output);
    ASSERT_EQ(1u, run.encryptions.size());
    EXPECT_TRUE(run.encryptions[0].last);
}

TEST(InserterOutput, AUelAtTheWindowsStartClosesTheSectionWithAnEmptyLastBlock) {
    InserterJob job;
    const std::string rest(200000, 'r');
    job.input = "@PJL ENTER LANGUAGE=PDF\r\n" + kUel + rest;
    job.pdl = PdlValue::Pdf;
    job.passPhrase = CXString(WIDE("secret"));
    const InserterRun run = RunInserter(job);
    EXPECT_EQ("@PJL ENTER LANGUAGE=PDF\r\n[]!" + kUel + rest, run.output);
    ASSERT_LE(3u, run.requested.size());
    EXPECT_EQ(25u, run.requested[1]) << "the language line was consumed";
    EXPECT_EQ(0u, run.requested[2]) << "the consumed position 0 asks for no bytes";
}

TEST(InserterOutput, XpsIsEncryptedFromTheFirstWindowOn) {
    InserterJob job;
    job.input = "PK\x03\x04 xps";
    job.pdl = PdlValue::Xps;
    job.passPhrase = CXString(WIDE("secret"));
    job.items.emplace_back(AtStreamStart, CXString(WIDE("<plain/>")));
    EXPECT_EQ("<plain/>[PK\x03\x04 xps]!", RunInserter(job).output)
        << "without a ticket: no header, no trailer";
}

TEST(InserterOutput, TheRealCipherRoundTripsEachLanguage) {
    struct Case {
        LONG pdl;
        const char* language;
    };
    for (const Case c : {Case{PdlValue::PostScript, "POSTSCRIPT"}, Case{PdlValue::PclXl, "PCLXL"},
                         Case{PdlValue::Pdf, "PDF"}}) {
        InserterJob job;
        const std::string body(200000, 'q');
        job.input = PjlJob(c.language, body);
        job.pdl = c.pdl;
        job.passPhrase = CXString(WIDE("secret"));
        job.recordEncryption = false;
        const InserterRun run = RunInserter(job);
        const std::string prefix = kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=" + c.language + "\r\n";
        EXPECT_EQ(prefix, run.output.substr(0, prefix.size())) << c.language;
        EXPECT_EQ(kTrailer, run.output.substr(run.output.size() - kTrailer.size())) << c.language;
        EXPECT_EQ(std::string::npos, run.output.find(body.substr(0, 64))) << c.language;
        EXPECT_EQ(prefix + body + kTrailer,
                  MeridianDecryption::DecryptStream(run.output, CXString(WIDE("secret"))))
            << c.language;
    }
}

TEST(InserterOutput, AFailedDeliveryEndsTheJobAndNothingIsDeliveredAfterIt) {
    InserterJob job;
    job.input = std::string(300000, 'w');
    job.failingWrite = 2;
    job.failingWriteResult = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    InserterRun run;
    try {
        RunInserter(job, run);
        ADD_FAILURE() << "the failure was reported as success";
    } catch (const CPComException& failure) {
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), failure.GetHresult());
    }
    EXPECT_EQ(1u, run.blocks.size()) << "the block before the failure, and none after it";
}

TEST(InserterOutput, InAtriumModeEveryByteGoesToTheContentFile) {
    const MsSafeCoInit com;
    const TestProgramData programData;
    const CXString queue = TestSpooler::NewPrinter();
    TestSpooler::SetPrinterDataDword(queue, CXString(CorvoAtriumHelper::kPrinterDataValueName), 1);
    auto* reader = new FakeReadStream(PjlJob("POSTSCRIPT", "%!PS\n"));
    auto* writer = new FakeWriteStream();
    {
        CorvoAtriumHelper helper(CXString(WIDE("d")), CXString(WIDE("o")), CXString(WIDE("x")),
                                 queue, CXString(WIDE("application/postscript")), 1,
                                 ComReference<IPrintWriteStream>(writer));
        ASSERT_TRUE(helper.UsesAtrium());
        PDLInsertionDataList items;
        items.emplace_back(AtStreamStart, CXString(WIDE("TICKET")));
        const CPString productData;
        PDLInserter inserter(&helper, reader, &items, ComReference<IPrintPipelinePropertyBag>(),
                             productData, PdlValue::PostScript, false, false, false, CXString(),
                             CXString());
        inserter.CopyStream();
        helper.FinishJob(true);
        EXPECT_EQ(
            "TICKET" + kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n" + kTrailer,
            ReadWholeFile(helper.GetJobFolder() + CorvoAtriumHelper::kContentFileName));
    }
    EXPECT_EQ(0, writer->writes) << "nothing down the pipeline";
    reader->Release();
    writer->Release();
}
}  // namespace
