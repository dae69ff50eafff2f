// Page-level features of PostScript jobs, the header of encrypted XPS jobs, and print-ready files
// passed through in an XPS wrapper.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "InserterHarness.h"
#include "companion/Utilities/CPComException.h"
#include "tests/support/TestFolders.h"

namespace {
const std::string kUel = "\x1b%-12345X";
const std::string kTrailer = kUel + "@PJL EOJ\r\n" + kUel;
const std::string kDuplexCode =
    "%%BeginFeature: *Duplex TwoSidedLongEdge\n<< /Duplex true /Tumble false >> "
    "setpagedevice\n%%EndFeature\n";
const std::string kSection = "%%BeginPageSetup\nold\n%%EndPageSetup";

std::string Page(int number, const std::string& body) {
    return "%%Page: " + std::to_string(number) + " " + std::to_string(number) + "\n" + kSection +
           "\ngsave simpInitG\n" + body + "\ngrestore\n";
}

TEST(PageFeatures, PageOneGoesBeforeEndSetupAndLaterPagesReplaceTheirSections) {
    InserterJob job;
    job.input = "%!PS\n%%BeginSetup\n%%EndSetup\n" + Page(1, "p1") + Page(2, "p2") + Page(3, "p3");
    job.properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge"},
                      {u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_3", u"::Duplex=TwoSidedLongEdge:"}};
    const InserterRun run = RunInserter(job);
    EXPECT_EQ("%!PS\n%%BeginSetup\n" + kDuplexCode + "%%EndSetup\n" + "%%Page: 1 1\n\np1\n" +
                  "%%Page: 2 2\n%%BeginPageSetup\n\n%%EndPageSetup\n\np2\n" +
                  "%%Page: 3 3\n%%BeginPageSetup\n" + kDuplexCode + "\n%%EndPageSetup\n\np3\n",
              run.output);
}

TEST(PageFeatures, WithoutEndSetupPageOnesCodeTakesThePlaceOfItsSection) {
    InserterJob job;
    job.input = "%!PS\n" + Page(1, "p1");
    job.properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge"}};
    EXPECT_EQ("%!PS\n%%Page: 1 1\n" + kDuplexCode + "\np1\n", RunInserter(job).output);
}

TEST(PageFeatures, AJobLevelItemTakesEndSetupFirstAndPageOneGoesIntoItsSection) {
    InserterJob job;
    job.input = "%!PS\n%%EndSetup\n" + Page(1, "p1");
    job.items.emplace_back(BeforeEndSetup, CXString(WIDE("JOB\n")));
    job.properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge"}};
    EXPECT_EQ("%!PS\nJOB\n%%EndSetup\n%%Page: 1 1\n" + kDuplexCode + "\np1\n",
              RunInserter(job).output);
}

TEST(PageFeatures, OnlyThePjlHeadersCommentDropsWhatIsInFrontOfIt) {
    struct Case {
        const char* label;
        std::string head;
        std::string expectedHead;
    };
    const Case cases[] = {
        {"the driver's PJL header",
         "junk@PJL COMMENT x\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n",
         "@PJL COMMENT x\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n"},
        {"document content", "%!PS\n% mentions @PJL COMMENT here\n",
         "%!PS\n% mentions @PJL COMMENT here\n"},
    };
    std::string pages;
    for (int page = 1; page <= 12; ++page) {
        pages += Page(page, "p");
    }
    for (const Case& c : cases) {
        InserterJob job;
        job.input = c.head + pages;
        const InserterRun run = RunInserter(job);
        EXPECT_EQ(c.expectedHead, run.output.substr(0, c.expectedHead.size())) << c.label;
        ASSERT_EQ(12u, run.propertyReads.size()) << c.label;
        EXPECT_EQ(u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_12", run.propertyReads.back()) << c.label;
    }
}

TEST(PageFeatures, EndSetupAtTheWindowsStartIsAResultOfPositionZero) {
    InserterJob job;
    job.input = "%%EndSetup\n" + Page(1, "p1");
    job.properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge"}};
    const InserterRun run = RunInserter(job);
    EXPECT_EQ("", run.blocks.at(0)) << "nothing in front of %%EndSetup";
    EXPECT_EQ(kDuplexCode, run.blocks.at(1));
    EXPECT_EQ(kDuplexCode + "%%EndSetup\n%%Page: 1 1\n\np1\n", run.output)
        << "page one's own section dropped";
}

TEST(PageFeatures, ASectionWhoseEndLiesBeyondTheSearchIsHandledInALaterWindow) {
    InserterJob job;
    const std::string filler(98000, 'f');
    job.input = "%!PS\n" + filler + "%%BeginPageSetup\n" + std::string(1000, 's') +
                "\n%%EndPageSetup\ngsave simpInitG\nb\ngrestore\n";
    job.properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge"}};
    EXPECT_EQ("%!PS\n" + filler + kDuplexCode + "\nb\n", RunInserter(job).output);
}

TEST(PageFeatures, OnlyPostScriptGetsPageFeatures) {
    InserterJob job;
    job.input = "%!PS\n%%EndSetup\n" + Page(1, "p1");
    job.pdl = PdlValue::Pdf;
    job.properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge"}};
    const InserterRun run = RunInserter(job);
    EXPECT_EQ(job.input, run.output);
    EXPECT_TRUE(run.propertyReads.empty());
}

TEST(XpsJobHeader, StandsOnceRightBeforeTheFirstEncryptedByteAndTheTrailersFollow) {
    InserterJob job;
    job.input = std::string(200000, 'x');
    job.pdl = PdlValue::Xps;
    job.passPhrase = CXString(WIDE("secret"));
    job.items.emplace_back(AtStreamStart, CXString(WIDE("PLAIN")));
    job.properties = {{u"Corvo_QcptForXps", u"<Ticket a=\"1\">\r\n\tx\u00e9</Ticket>"}};
    const InserterRun run = RunInserter(job);
    const std::string header =
        kUel +
        "@PJL JOB\r\n<Ticket a=\"1\">   x\xc3\xa9</Ticket>\r\n@PJL ENTER LANGUAGE=ENCRYPTED\r\n";
    EXPECT_EQ("PLAIN" + header + "[", run.output.substr(0, 5 + header.size() + 1));
    EXPECT_EQ(1u,
              std::count(run.propertyReads.begin(), run.propertyReads.end(), u"Corvo_QcptForXps"));
    EXPECT_EQ("]!" + kUel + "@PJL EOJ\r\n" + kUel + "\r\n",
              run.output.substr(run.output.size() - 32));
}

TEST(XpsJobHeader, AMissingTicketIsAskedForAtEveryEncryptedWriteAndNoTrailerFollows) {
    InserterJob job;
    job.input = std::string(200000, 'x');
    job.pdl = PdlValue::Xps;
    job.passPhrase = CXString(WIDE("secret"));
    const InserterRun run = RunInserter(job);
    EXPECT_EQ(run.encryptions.size(), run.propertyReads.size());
    EXPECT_EQ("]!", run.output.substr(run.output.size() - 2));
}

class PassThrough : public ::testing::Test {
  protected:
    CXString File(const std::string& bytes) {
        const CXString path = folders.Scratch("files") + WIDE("print-ready.pdf");
        std::ofstream(NativePath(path), std::ios::binary) << bytes;
        return path;
    }
    const TestProgramData folders;
};

TEST_F(PassThrough, TheFileGoesOutAsPdfInBlocksWithTheLastFlagOnTheFinalOne) {
    struct Case {
        std::size_t size;
        std::vector<std::pair<std::size_t, bool>> calls;
    };
    const Case cases[] = {{0, {{0, true}}},
                          {131072, {{131072, false}, {0, true}}},
                          {131073, {{131072, false}, {1, true}}}};
    for (const Case& c : cases) {
        InserterJob job;
        job.pdl = PdlValue::Xps;
        job.passPhrase = CXString(WIDE("secret"));
        job.printReadyFile = File(std::string(c.size, '%'));
        const InserterRun run = RunInserter(job);
        std::vector<std::pair<std::size_t, bool>> calls;
        for (const auto& call : run.encryptions) {
            calls.emplace_back(call.bytes.size(), call.last);
        }
        EXPECT_EQ(c.calls, calls) << c.size;
        EXPECT_EQ("@PJL ENTER LANGUAGE=PDF\r\n[", run.output.substr(0, 26)) << c.size;
        EXPECT_EQ("]!" + kTrailer, run.output.substr(run.output.size() - 30))
            << c.size << ": no ticket, no XPS trailer";
    }
}

TEST_F(PassThrough, WithoutAPassPhraseTheBytesGoOutUnchanged) {
    InserterJob job;
    job.printReadyFile = File("%!PS-Adobe-3.0\nshowpage\n");
    EXPECT_EQ("@PJL ENTER LANGUAGE=PDF\r\n%!PS-Adobe-3.0\nshowpage\n" + kTrailer,
              RunInserter(job).output);
}

#if !defined(_WIN32)
// /proc/self/mem is a regular file whose first page cannot be read.
TEST_F(PassThrough, AReadErrorEndsWithTheTrailerAndFailsTheJob) {
    InserterJob job;
    job.printReadyFile = CXString(WIDE("/proc/self/mem"));
    InserterRun run;
    EXPECT_THROW(RunInserter(job, run), CPComException);
    EXPECT_EQ("@PJL ENTER LANGUAGE=PDF\r\n" + kTrailer, run.output);
}

// A device streams without end; the inserter never deletes, so a real one is safe to name here.
TEST_F(PassThrough, ADeviceIsRefusedBeforeAByteIsRead) {
    InserterJob job;
    job.printReadyFile = CXString(WIDE("/dev/zero"));
    InserterRun run;
    try {
        RunInserter(job, run);
        ADD_FAILURE() << "a device passed for a print-ready file";
    } catch (const CPComException& failure) {
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE), failure.GetHresult());
    }
    EXPECT_EQ("", run.output);
}
#endif

TEST_F(PassThrough, AMissingFileWritesNothingAndFailsTheJob) {
    InserterJob job;
    job.printReadyFile = folders.Scratch("files") + WIDE("missing.pdf");
    InserterRun run;
    try {
        RunInserter(job, run);
        ADD_FAILURE() << "a missing file passed for printed";
    } catch (const CPComException& failure) {
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), failure.GetHresult());
    }
    EXPECT_EQ("", run.output);
}
}  // namespace
