// How the copy reads, windows and writes: flushes of 64 KB, markers claimed where the window lets
// them be, the order of the steps over the order of the markers, the same output whatever size the
// previous filter's reads come in, and reads that fail or never end.
#include <gtest/gtest.h>

#include "InserterHarness.h"
#include "companion/Utilities/CPComException.h"

namespace {

std::string Filler(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + (i * 7) % 26);
    }
    return bytes;
}

TEST(InserterCopy, UnclaimedBytesGoOutIn64KFlushesAndTheRestWithTheLastFlag) {
    struct Case {
        const char* label;
        std::string input;
        PDLInsertionDataList items;
        std::vector<std::size_t> blockSizes;
    };
    const Case cases[] = {
        {"an empty input: the start items, then an empty last write",
         "",
         Items({{AtStreamStart, u"\x1b%-12345X@PJL EOJ\r\n"}, {AtStreamStart, u"<ticket/>"}}),
         {19, 9, 0}},
        {"a short input read at once", Filler(100), {}, {100}},
        {"a long input without markers", Filler(300000), {}, {65536, 65536, 65536, 103392}},
    };
    for (Case c : cases) {
        InserterJob job;
        job.input = c.input;
        job.items = c.items;
        const InserterRun run = RunInserter(job);
        std::vector<std::size_t> sizes;
        for (const std::string& block : run.blocks) {
            sizes.push_back(block.size());
        }
        EXPECT_EQ(c.blockSizes, sizes) << c.label;
        EXPECT_EQ(c.input, run.output.substr(run.output.size() - c.input.size())) << c.label;
    }
}

// Neither the size of the reads nor an empty read now and then (the copy asks again) changes
// the output.
TEST(InserterCopy, TheOutputDoesNotDependOnTheReadSize) {
    const std::string input = "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n%%Title: t\n" +
                              Filler(140000) + "%%EndSetup\n" + Filler(70000) + kClosing;
    const std::string expected =
        "@PJL JOB MODE=DIRECTFAX\r\n@PJL SET COPIES=2\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n"
        "%!PS\n%%For: alice\n%%Title: t\n" +
        Filler(140000) + "<< /Collate true >> setpagedevice\n%%EndSetup\n" + Filler(70000) +
        kTrailer;
    struct Reads {
        ULONG size;
        int emptyEvery;
    };
    for (const Reads reads : {Reads{0, 0}, Reads{1, 0}, Reads{2, 0}, Reads{7, 0}, Reads{7, 3}}) {
        InserterJob job;
        job.input = input;
        job.readSize = reads.size;
        job.emptyReadsEvery = reads.emptyEvery;
        job.legacyFax = true;
        job.items = Items({{BeforePjlEnterLanguage, u"@PJL SET COPIES=2\r\n"},
                           {BeforeTitle, u"%%For: alice\n"},
                           {BeforeEndSetup, u"<< /Collate true >> setpagedevice\n"}});
        const InserterRun run = RunInserter(job);
        const std::string label =
            "reads of " + std::to_string(reads.size) +
            (reads.emptyEvery != 0 ? ", every " + std::to_string(reads.emptyEvery) + "th empty"
                                   : "");
        EXPECT_EQ(expected, run.output) << label;
        EXPECT_EQ((std::vector<bool>{true, true, true}), run.inserted) << label;
    }
}

// Inputs past 131,072 bytes, so that the window limit of 98,304 bytes is in force.
TEST(InserterCopy, MarkersAreClaimedWhereTheWindowLetsThem) {
    const auto titled = [](std::string input) {
        return InserterJob{
            .input = std::move(input),
            .items = Items({{BeforeTitle, u"%%For: bob\n"}, {BeforeEndSetup, u"SETUP\n"}})};
    };
    ExpectOutputs({
        {"a marker across the window's end is found whole",
         titled(Filler(98300) + "%%Title" + Filler(40000)),
         Filler(98300) + "%%For: bob\n%%Title" + Filler(40000)},
        {"a marker right behind the window, in the next one",
         titled(Filler(98304) + "%%Title" + Filler(40000)),
         Filler(98304) + "%%For: bob\n%%Title" + Filler(40000)},
        {"a marker ending at the last byte read",
         titled(Filler(131065) + "%%Title" + Filler(40000)),
         Filler(131065) + "%%For: bob\n%%Title" + Filler(40000)},
        {"a marker at offset 0", titled("%%Title: x\n" + Filler(200000)),
         "%%For: bob\n%%Title: x\n" + Filler(200000)},
        {"%%Title behind the window does not pass %%EndSetup in front of it",
         titled("%%EndSetup\n" + Filler(100000) + "%%Title" + Filler(40000)),
         "SETUP\n%%EndSetup\n" + Filler(100000) + "%%For: bob\n%%Title" + Filler(40000)},
    });
}

TEST(InserterCopy, TheOrderOfTheStepsBeatsTheOrderOfTheMarkersInOneWindow) {
    InserterJob job;
    job.input = Filler(100) + "%%EndSetup\n" + Filler(4889) + "%%Title: late\n";
    job.items = Items({{BeforeTitle, u"%%For: d\n"}, {BeforeEndSetup, u"SETUP\n"}});
    const InserterRun run = RunInserter(job);
    EXPECT_EQ(Filler(100) + "%%EndSetup\n" + Filler(4889) + "%%For: d\n%%Title: late\n",
              run.output);
    EXPECT_EQ((std::vector<bool>{true, false}), run.inserted)
        << "%%EndSetup went by with the title";
}

TEST(InserterCopy, ItemsGoInListOrderOnceAndTheClosingSequenceBecomesTheJobTrailer) {
    using namespace std::string_view_literals;
    const auto closed = [](const std::string& tail) {
        return InserterJob{.input = "%!PS\nshowpage\n" + tail};
    };
    ExpectOutputs({
        {"items of a type in list order, once, up to their first U+0000",
         {.input = "a%PCLm 1.0b%PCLm 1.0c",
          .items = Items({{BeforePclmHeader, u"T1\u0416"}, {BeforePclmHeader, u"T2\0hidden"sv}})},
         "aT1?T2%PCLm 1.0b%PCLm 1.0c"},
        {"the closing sequence once", closed(kClosing), "%!PS\nshowpage\n" + kTrailer},
        {"followed by CR LF, which goes on behind the trailer", closed(kClosing + "\r\n"),
         "%!PS\nshowpage\n" + kTrailer + "\r\n"},
        {"twice: only the last gives way", closed(kClosing + kClosing),
         "%!PS\nshowpage\n" + kClosing + kTrailer},
    });
}

// Only the closing sequence that ends the input is the job's end; one that more of the input
// follows belongs to a job of its own, and nothing behind it may be lost.
TEST(InserterCopy, AClosingSequenceThatMoreInputFollowsGoesOnUnchangedWithAllBehindIt) {
    const std::string first = kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\nfirst\n";
    const std::string second =
        kUel + "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\nsecond\n";
    ExpectOutputs({
        {"two jobs back to back",
         {.input = first + kClosing + second + kClosing},
         first + kClosing + second + kTrailer},
        {"a line behind the sequence",
         {.input = first + kClosing + "%%EOF\n"},
         first + kClosing + "%%EOF\n"},
        {"a second job behind it, longer than the buffer",
         {.input = first + kClosing + second + Filler(200000)},
         first + kClosing + second + Filler(200000)},
    });
}

TEST(InserterCopy, AReadThatFailsOrNeverEndsEndsTheCopyWithItsHresult) {
    struct Case {
        const char* label;
        int failingRead;
        int emptyReadsFrom;
        HRESULT expected;
    };
    for (const Case& c : {Case{"a failing read", 2, 0, E_FAIL},
                          Case{"a stream that gives nothing and never ends", 0, 3,
                               HRESULT_FROM_WIN32(ERROR_NO_DATA_DETECTED)}}) {
        InserterJob job;
        job.input = Filler(300000);
        job.readSize = 10;
        job.failingRead = c.failingRead;
        job.emptyReadsFrom = c.emptyReadsFrom;
        try {
            RunInserter(job);
            ADD_FAILURE() << c.label << ": the copy went on";
        } catch (const CPComException& failure) {
            EXPECT_EQ(c.expected, failure.GetHresult()) << c.label;
        }
    }
}
}  // namespace
