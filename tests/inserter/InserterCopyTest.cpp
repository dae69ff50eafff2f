// How the copy reads, windows and writes: the sizes of reads and blocks, markers at the window's
// edges, and the same output whatever size the previous filter's reads come in.
#include <gtest/gtest.h>

#include "InserterHarness.h"
#include "companion/Utilities/CPComException.h"

namespace {
const std::string kUel = "\x1b%-12345X";
const std::string kTrailer = kUel + "@PJL EOJ\r\n" + kUel;
constexpr ULONG kReadSizes[] = {0, 1, 2, 7};

std::string Filler(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + (i * 7) % 26);
    }
    return bytes;
}

PDLInsertionDataList Items(std::initializer_list<std::pair<DWORD, const char16_t*>> items) {
    PDLInsertionDataList list;
    for (const auto& [type, text] : items) {
        std::basic_string<WCHAR> wide;
        for (const char16_t* p = text; *p != 0; ++p) {
            wide += static_cast<WCHAR>(*p);
        }
        list.emplace_back(type, CXString(wide));
    }
    return list;
}

TEST(InserterCopy, AnEmptyInputGivesTheStartItemsAndAnEmptyLastWrite) {
    InserterJob job;
    job.items =
        Items({{AtStreamStart, u"\x1b%-12345X@PJL EOJ\r\n"}, {AtStreamStart, u"<ticket/>"}});
    const InserterRun run = RunInserter(job);
    EXPECT_EQ((std::vector<std::string>{kUel + "@PJL EOJ\r\n", "<ticket/>", ""}), run.blocks);
    EXPECT_EQ((std::vector<ULONG>{131072}), run.requested);
}

TEST(InserterCopy, ShortInputReadAtOnceIsOneWindowAndGoesOutWhole) {
    InserterJob job;
    job.input = Filler(100);
    const InserterRun run = RunInserter(job);
    EXPECT_EQ((std::vector<std::string>{job.input}), run.blocks);
    EXPECT_EQ((std::vector<ULONG>{131072}), run.requested);
}

TEST(InserterCopy, ALongInputWithoutMarkersGoesOutIn64KBlocksThenTheRest) {
    InserterJob job;
    job.input = Filler(300000);
    const InserterRun run = RunInserter(job);
    ASSERT_EQ(4u, run.blocks.size());
    EXPECT_EQ(65536u, run.blocks[0].size());
    EXPECT_EQ(65536u, run.blocks[1].size());
    EXPECT_EQ(65536u, run.blocks[2].size());
    EXPECT_EQ(300000u - 3 * 65536u, run.blocks[3].size());
    EXPECT_EQ(job.input, run.output);
    EXPECT_EQ((std::vector<ULONG>{131072, 65536, 65536, 65536}), run.requested);
}

TEST(InserterCopy, TheOutputDoesNotDependOnTheReadSize) {
    const std::string input = "@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n%%Title: t\n" +
                              Filler(140000) + "%%EndSetup\n" + Filler(70000) + kUel + kUel +
                              "@PJL EOJ\r\n" + kUel;
    std::string expected;
    for (const ULONG readSize : kReadSizes) {
        InserterJob job;
        job.input = input;
        job.readSize = readSize;
        job.legacyFax = true;
        job.items = Items({{BeforePjlEnterLanguage, u"@PJL SET COPIES=2\r\n"},
                           {BeforeTitle, u"%%For: alice\n"},
                           {BeforeEndSetup, u"<< /Collate true >> setpagedevice\n"}});
        const InserterRun run = RunInserter(job);
        if (readSize == 0) {
            expected = run.output;
            EXPECT_EQ(
                "@PJL JOB MODE=DIRECTFAX\r\n@PJL SET COPIES=2\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n"
                "%!PS\n%%For: alice\n%%Title: t\n" +
                    Filler(140000) + "<< /Collate true >> setpagedevice\n%%EndSetup\n" +
                    Filler(70000) + kTrailer,
                run.output);
        }
        EXPECT_EQ(expected, run.output) << "read size " << readSize;
        EXPECT_EQ((std::vector<bool>{true, true, true}), run.inserted) << "read size " << readSize;
    }
}

TEST(InserterCopy, MarkersAtTheWindowsEdgesAreFoundWhole) {
    struct Case {
        const char* label;
        std::size_t markerAt;
    };
    for (const Case c : {Case{"starts in the window, ends beyond it", 98300},
                         Case{"starts right behind the window", 98304},
                         Case{"ends at the last byte read", 131072 - 7}}) {
        InserterJob job;
        job.input = Filler(c.markerAt) + "%%Title" + Filler(40000);
        job.items = Items({{BeforeTitle, u"%%For: bob\n"}});
        const InserterRun run = RunInserter(job);
        EXPECT_EQ(Filler(c.markerAt) + "%%For: bob\n%%Title" + Filler(40000), run.output)
            << c.label;
    }
}

TEST(InserterCopy, AMarkerAtOffsetZeroIsConsumedAndTheNextReadAsksForItsLength) {
    InserterJob job;
    job.input = "%%Title: x\n" + Filler(200000);
    job.items = Items({{BeforeTitle, u"%%For: c\n"}});
    const InserterRun run = RunInserter(job);
    EXPECT_EQ("", run.blocks.at(0)) << "the part in front of the marker";
    EXPECT_EQ("%%For: c\n", run.blocks.at(1));
    EXPECT_EQ("%%Title", run.blocks.at(2));
    EXPECT_EQ(7u, run.requested.at(1));
}

TEST(InserterCopy, TheOrderOfTheStepsBeatsTheOrderOfTheMarkers) {
    InserterJob job;
    job.input = Filler(100) + "%%EndSetup\n" + Filler(4889) + "%%Title: late\n";
    job.items = Items({{BeforeTitle, u"%%For: d\n"}, {BeforeEndSetup, u"SETUP\n"}});
    const InserterRun run = RunInserter(job);
    EXPECT_EQ(Filler(100) + "%%EndSetup\n" + Filler(4889) + "%%For: d\n%%Title: late\n",
              run.output);
    EXPECT_EQ((std::vector<bool>{true, false}), run.inserted)
        << "%%EndSetup went by with the title";
}

TEST(InserterCopy, ItemsOfATypeGoInListOrderOnceUpToTheirFirstU0000) {
    InserterJob job;
    job.input = "a%PCLm 1.0b%PCLm 1.0c";
    job.items = Items({{BeforePclmHeader, u"T1\u0416"}, {BeforePclmHeader, u"T2\0hidden"}});
    const InserterRun run = RunInserter(job);
    EXPECT_EQ("aT1?T2%PCLm 1.0b%PCLm 1.0c", run.output);
}

TEST(InserterCopy, TheClosingSequenceBecomesTheJobTrailer) {
    struct Case {
        const char* label;
        std::string tail;
    };
    const std::string closing = kUel + kUel + "@PJL EOJ\r\n" + kUel;
    for (const Case& c : {Case{"once", closing}, Case{"followed by CR LF", closing + "\r\n"},
                          Case{"twice", closing + closing}}) {
        InserterJob job;
        job.input = "%!PS\nshowpage\n" + c.tail;
        const InserterRun run = RunInserter(job);
        EXPECT_EQ("%!PS\nshowpage\n" + kTrailer, run.output) << c.label;
    }
}

TEST(InserterCopy, AFailingReadEndsTheCopyWithItsHresult) {
    InserterJob job;
    job.input = Filler(300000);
    job.failingRead = 2;
    try {
        RunInserter(job);
        ADD_FAILURE() << "the copy went on";
    } catch (const CPComException& failure) {
        EXPECT_EQ(E_FAIL, failure.GetHresult());
    }
}

TEST(InserterCopy, AStreamThatNeverEndsAndGivesNothingIsGivenUpOn) {
    InserterJob job;
    job.input = Filler(1000);
    job.readSize = 10;
    job.emptyReadsFrom = 3;
    EXPECT_THROW(RunInserter(job), CPComException);
}
}  // namespace
