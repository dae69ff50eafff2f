// Where the bytes go: the encrypted section from the language switch to the UEL, the XPS job header
// and trailers, and failed deliveries inside steps that write several times.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "InserterHarness.h"
#include "tests/support/TestFolders.h"

namespace {
const CXString kSecret(WIDE("secret"));

// The bracketing encryptor shows each block as "[...]" and the last one as "[...]!".
TEST(InserterOutput, TheSectionsAndHeadersStandWhereTheJobAsksForThem) {
    const std::string x(65536, 'x');
    const std::string r(65536, 'r');
    const std::string xpsHeader =
        kUel +
        "@PJL JOB\r\n<Ticket a=\"1\">   x\xc3\xa9</Ticket>\r\n@PJL ENTER LANGUAGE=ENCRYPTED\r\n";
    const auto xps = [](std::string input, std::map<std::u16string, std::u16string> properties) {
        return InserterJob{.input = std::move(input),
                           .pdl = PdlValue::Xps,
                           .items = Items({{AtStreamStart, u"<plain/>"}}),
                           .passPhrase = kSecret,
                           .properties = std::move(properties)};
    };
    ExpectOutputs({
        {"from the language line to the first UEL",
         {.input =
              kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\nshowpage\n" + kClosing,
          .passPhrase = kSecret},
         kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n[%!PS\nshowpage\n]!" + kTrailer},
        {"a UEL at the window's start closes the section with an empty last block",
         {.input = "@PJL ENTER LANGUAGE=PDF\r\n" + kUel + "@PJL ENTER LANGUAGE=PDF\r\n" +
                   std::string(200000, 'r'),
          .pdl = PdlValue::Pdf,
          .passPhrase = kSecret},
         "@PJL ENTER LANGUAGE=PDF\r\n[]!" + kUel + "@PJL ENTER LANGUAGE=PDF\r\n[" + r + "][" + r +
             "][" + std::string(68928, 'r') + "]!"},
        {"XPS without a ticket: encrypted from the first window, no header, no trailer",
         xps("PK\x03\x04 xps", {}), "<plain/>[PK\x03\x04 xps]!"},
        {"XPS with a ticket: the header once before the first encrypted byte, the trailers after",
         xps(x + x + std::string(68928, 'x'),
             {{u"Corvo_QcptForXps", u"<Ticket a=\"1\">\r\n\tx\u00e9</Ticket>"}}),
         "<plain/>" + xpsHeader + "[" + x + "][" + x + "][" + std::string(68928, 'x') + "]!" +
             kUel + "@PJL EOJ\r\n" + kUel + "\r\n"},
    });
}

// A delivery that fails ends the job; nothing after it is delivered, also not the rest of a step
// that writes several times.
TEST(InserterOutput, AFailedDeliveryInsideAStepIsTheLastOne) {
    const TestProgramData folders;
    const CXString file = folders.Scratch("files") + WIDE("print-ready.pdf");
    std::ofstream(NativePath(file), std::ios::binary) << "%PDF-1.7\n";
    struct Case {
        const char* label;
        InserterJob job;
        std::vector<std::string> delivered;
    };
    const std::string stapling = "%%BeginFeature:  *StaplingLocation TopLeft\nx\n%%EndFeature";
    const auto item = [](DWORD type) { return Items({{type, u"ITEM"}}); };
    Case cases[] = {
        {"the first write of an item step",
         {.input = "A%%Title: t\n", .items = item(BeforeTitle), .failingWrite = 1},
         {}},
        {"the item's text",
         {.input = "A%%Title: t\n", .items = item(BeforeTitle), .failingWrite = 2},
         {"A"}},
        {"the stapling comment",
         {.input = "A\n" + stapling + "\nB",
          .items = item(AtStreamStart),
          .removeStapling = true,
          .failingWrite = 3},
         {"ITEM", "A\n"}},
        {"the trailer of the job's end",
         {.input = "%!PS\n" + kClosing, .items = item(AtStreamStart), .failingWrite = 3},
         {"ITEM", "%!PS\n"}},
        {"the pass-through's first block",
         {.items = item(AtStreamStart), .failingWrite = 2, .printReadyFile = file},
         {"@PJL ENTER LANGUAGE=PDF\r\n"}},
    };
    for (Case& c : cases) {
        c.job.failingWriteResult = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
        InserterRun run;
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), RunInserterFor(c.job, run)) << c.label;
        EXPECT_EQ(c.delivered, run.blocks) << c.label;
    }
}
}  // namespace
