// Page-level features of PostScript jobs, and print-ready files passed through in an XPS wrapper.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "InserterHarness.h"
#include "companion/Utilities/MeridianDecryption.h"
#include "tests/support/TestFolders.h"

namespace {
const std::string kDuplexCode =
    "%%BeginFeature: *Duplex TwoSidedLongEdge\n<< /Duplex true /Tumble false >> "
    "setpagedevice\n%%EndFeature\n";
const std::string kSection = "%%BeginPageSetup\nold\n%%EndPageSetup";
const std::u16string kDuplex = u"Duplex=TwoSidedLongEdge";

std::string Page(int number, const std::string& body) {
    return "%%Page: " + std::to_string(number) + " " + std::to_string(number) + "\n" + kSection +
           "\ngsave simpInitG\n" + body + "\ngrestore\n";
}

TEST(PageFeatures, EachPagesCodeTakesTheSetupPlaceItBelongsTo) {
    const std::string filler(98000, 'f');
    const std::string tail(60000, 't');
    const auto pageOne = [](std::string input, LONG pdl = PdlValue::PostScript) {
        return InserterJob{.input = std::move(input),
                           .pdl = pdl,
                           .properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", kDuplex}}};
    };
    InserterJob itemFirst = pageOne("%!PS\n%%EndSetup\n" + Page(1, "p1"));
    itemFirst.items = Items({{BeforeEndSetup, u"JOB\n"}});
    ExpectOutputs({
        {"page one before %%EndSetup, later pages in place of their sections",
         {.input =
              "%!PS\n%%BeginSetup\n%%EndSetup\n" + Page(1, "p1") + Page(2, "p2") + Page(3, "p3"),
          .properties = {{u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", kDuplex},
                         {u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_3", u"::" + kDuplex + u":"}}},
         "%!PS\n%%BeginSetup\n" + kDuplexCode + "%%EndSetup\n%%Page: 1 1\n\np1\n" +
             "%%Page: 2 2\n%%BeginPageSetup\n\n%%EndPageSetup\n\np2\n" +
             "%%Page: 3 3\n%%BeginPageSetup\n" + kDuplexCode + "\n%%EndPageSetup\n\np3\n"},
        {"without %%EndSetup page one's code takes the place of its section",
         pageOne("%!PS\n" + Page(1, "p1")), "%!PS\n%%Page: 1 1\n" + kDuplexCode + "\np1\n"},
        {"%%EndSetup at the window's start", pageOne("%%EndSetup\n" + Page(1, "p1")),
         kDuplexCode + "%%EndSetup\n%%Page: 1 1\n\np1\n"},
        {"a section whose end lies beyond the window, in a later one",
         pageOne("%!PS\n" + filler + "%%BeginPageSetup\n" + std::string(1000, 's') +
                 "\n%%EndPageSetup\ngsave simpInitG\nb\ngrestore\n" + tail),
         "%!PS\n" + filler + kDuplexCode + "\nb\n" + tail},
        {"a section at the window's start",
         pageOne("%%BeginPageSetup\nold\n%%EndPageSetup\ngsave simpInitG\nb\ngrestore\n"),
         kDuplexCode + "\nb\n"},
        {"only PostScript", pageOne("%!PS\n%%EndSetup\n" + Page(1, "p1"), PdlValue::Pdf),
         "%!PS\n%%EndSetup\n" + Page(1, "p1")},
        {"a job-level item takes %%EndSetup first and page one goes into its own section",
         itemFirst, "%!PS\nJOB\n%%EndSetup\n%%Page: 1 1\n" + kDuplexCode + "\np1\n"},
    });
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

// A PJL comment and switch inside the document, behind the header's own switch, is document
// content: nothing in front of it is dropped, with a pass phrase or without.
TEST(PageFeatures, APjlCommentBehindTheHeadersSwitchDropsNothing) {
    const std::string header =
        kUel + "@PJL JOB\r\n@PJL COMMENT driver\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
    const std::string inner = kUel + "@PJL COMMENT C\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
    const std::string pages = Page(1, "p1") + Page(2, "p2");
    struct Case {
        const char* label;
        std::size_t offset;  // of the inner lines in the document
        bool encrypted;
    };
    for (const Case& c :
         {Case{"in the first window", 2000, false}, Case{"past the first read", 200000, false},
          Case{"in the first window, encrypted", 2000, true},
          Case{"past the first read, encrypted", 200000, true}}) {
        const std::string document = "%!PS\n" + std::string(c.offset, 'd');
        const CXString passPhrase = c.encrypted ? CXString(WIDE("secret")) : CXString();
        InserterJob job{.input = header + document + inner + "%!PS\n" + pages,
                        .passPhrase = passPhrase,
                        .bracketedEncryption = false};
        const std::string output = RunInserter(job).output;
        const std::string plain =
            c.encrypted ? MeridianDecryption::DecryptStream(output, passPhrase) : output;
        EXPECT_NE(std::string::npos, plain.find(std::string(c.offset, 'd') + inner))
            << c.label << ": the document lost bytes";
        // Page one's section in the header's window drops what stands in front of its comment;
        // with a pass phrase the header has gone out with the switch before.
        const std::string start =
            c.offset < 65536 && !c.encrypted ? "@PJL COMMENT driver\r\n" : header;
        EXPECT_EQ(start, output.substr(0, start.size())) << c.label;
    }
}

// The bracketing encryptor shows each block as "[...]" and the last one as "[...]!".
TEST(PassThrough, TheFileGoesOutAsPdfInBlocksOrTheJobFailsBeforeAByteOfIt) {
    const TestProgramData folders;
    int files = 0;
    const auto file = [&folders, &files](const std::string& bytes) {
        const CXString path = folders.Scratch("files") + CXString(std::to_string(++files).c_str());
        std::ofstream(NativePath(path), std::ios::binary) << bytes;
        return path;
    };
    const std::string block(131072, '%');
    struct Case {
        const char* label;
        CXString path;
        bool encrypted;
        HRESULT expected;
        std::string output;
    };
    const std::string pdfLine = "@PJL ENTER LANGUAGE=PDF\r\n";
    std::vector<Case> cases = {
        {"an empty file", file(""), true, S_OK, pdfLine + "[]!" + kTrailer},
        {"one block exactly", file(block), true, S_OK, pdfLine + "[" + block + "][]!" + kTrailer},
        {"one byte more", file(block + "%"), true, S_OK,
         pdfLine + "[" + block + "][%]!" + kTrailer},
        {"no pass phrase", file("%!PS\n"), false, S_OK, pdfLine + "%!PS\n" + kTrailer},
    };
#if !defined(_WIN32)
    // The inserter never deletes, so a real device is safe to name here.
    cases.push_back({"a device", CXString(WIDE("/dev/zero")), false,
                     HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE), ""});
    // /proc/self/mem is a regular file whose first page cannot be read: the trailer still ends
    // what went out.
    cases.push_back({"a read error", CXString(WIDE("/proc/self/mem")), false,
                     HRESULT_FROM_WIN32(ERROR_GEN_FAILURE), pdfLine + kTrailer});
#endif
    for (const Case& c : cases) {
        InserterJob job;
        job.pdl = PdlValue::Xps;
        job.passPhrase = c.encrypted ? CXString(WIDE("secret")) : CXString();
        job.printReadyFile = c.path;
        InserterRun run;
        const HRESULT result = RunInserterFor(job, run);
        EXPECT_EQ(c.expected, result) << c.label;
        EXPECT_EQ(c.output, run.output) << c.label;
    }
}
}  // namespace
