// Where the bytes go: the encrypted section from the language switch to the UEL, the XPS job header
// and trailers, and failed deliveries inside steps that write several times.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "InserterHarness.h"
#include "tests/support/TestFolders.h"

namespace {
const std::string kUel = "\x1b%-12345X";
const std::string kTrailer = kUel + "@PJL EOJ\r\n" + kUel;
const std::string kClosing = kUel + kUel + "@PJL EOJ\r\n" + kUel;

// The bracketing encryptor shows each block as "[...]" and the last one as "[...]!".
TEST(InserterOutput, TheSectionsAndHeadersStandWhereTheJobAsksForThem) {
    struct Case {
        const char* label;
        std::string input;
        LONG pdl;
        std::map<std::u16string, std::u16string> properties;
        std::string expected;
    };
    const std::string x(65536, 'x');
    const std::string xpsHeader =
        kUel +
        "@PJL JOB\r\n<Ticket a=\"1\">   x\xc3\xa9</Ticket>\r\n@PJL ENTER LANGUAGE=ENCRYPTED\r\n";
    const Case cases[] = {
        {"from the language line to the first UEL",
         kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\nshowpage\n" + kClosing,
         PdlValue::PostScript,
         {},
         kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n[%!PS\nshowpage\n]!" + kTrailer},
        {"a UEL at the window's start closes the section with an empty last block",
         "@PJL ENTER LANGUAGE=PDF\r\n" + kUel + std::string(200000, 'r'),
         PdlValue::Pdf,
         {},
         "@PJL ENTER LANGUAGE=PDF\r\n[]!" + kUel + std::string(200000, 'r')},
        {"XPS without a ticket: encrypted from the first window, no header, no trailer",
         "PK\x03\x04 xps",
         PdlValue::Xps,
         {},
         "<plain/>[PK\x03\x04 xps]!"},
        {"XPS with a ticket: the header once before the first encrypted byte, the trailers after",
         x + x + std::string(68928, 'x'),
         PdlValue::Xps,
         {{u"Corvo_QcptForXps", u"<Ticket a=\"1\">\r\n\tx\u00e9</Ticket>"}},
         "<plain/>" + xpsHeader + "[" + x + "][" + x + "][" + std::string(68928, 'x') + "]!" +
             kUel + "@PJL EOJ\r\n" + kUel + "\r\n"},
    };
    for (const Case& c : cases) {
        InserterJob job;
        job.input = c.input;
        job.pdl = c.pdl;
        job.properties = c.properties;
        job.passPhrase = CXString(WIDE("secret"));
        if (c.pdl == PdlValue::Xps) {
            job.items.emplace_back(AtStreamStart, CXString(WIDE("<plain/>")));
        }
        EXPECT_EQ(c.expected, RunInserter(job).output) << c.label;
    }
}

// A delivery that fails ends the job; nothing after it is delivered, also not the rest of a step
// that writes several times.
TEST(InserterOutput, AFailedDeliveryInsideAStepIsTheLastOne) {
    const TestProgramData folders;
    const CXString file = folders.Scratch("files") + WIDE("print-ready.pdf");
    std::ofstream(NativePath(file), std::ios::binary) << "%PDF-1.7\n";
    struct Case {
        const char* label;
        std::string input;
        DWORD itemType;
        bool stapling;
        CXString printReadyFile;
        int failingWrite;
        std::vector<std::string> delivered;
    };
    const std::string stapling = "%%BeginFeature:  *StaplingLocation TopLeft\nx\n%%EndFeature";
    const Case cases[] = {
        {"the first write of an item step", "A%%Title: t\n", BeforeTitle, false, CXString(), 1, {}},
        {"the item's text", "A%%Title: t\n", BeforeTitle, false, CXString(), 2, {"A"}},
        {"the stapling comment",
         "A\n" + stapling + "\nB",
         AtStreamStart,
         true,
         CXString(),
         3,
         {"ITEM", "A\n"}},
        {"the trailer of the job's end",
         "%!PS\n" + kClosing,
         AtStreamStart,
         false,
         CXString(),
         3,
         {"ITEM", "%!PS\n"}},
        {"the pass-through's first block",
         "",
         AtStreamStart,
         false,
         file,
         2,
         {"@PJL ENTER LANGUAGE=PDF\r\n"}},
    };
    for (const Case& c : cases) {
        InserterJob job;
        job.input = c.input;
        job.items.emplace_back(c.itemType, CXString(WIDE("ITEM")));
        job.removeStapling = c.stapling;
        job.printReadyFile = c.printReadyFile;
        job.failingWrite = c.failingWrite;
        job.failingWriteResult = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
        InserterRun run;
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), RunInserterFor(job, run)) << c.label;
        EXPECT_EQ(c.delivered, run.blocks) << c.label;
    }
}
}  // namespace
