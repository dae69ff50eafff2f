// The steps that change the stream itself: stapling removal, the direct-fax job line, and the
// stripping of the outer graphics group of page content.
#include <gtest/gtest.h>

#include "InserterHarness.h"

namespace {
const std::string kStaplingBlock =
    "%%BeginFeature:  *StaplingLocation TopLeft\n<< /Staple 3 >> setpagedevice\n%%EndFeature";
const std::string kComment =
    "%% Stapling commands from GPD intentionally removed by advanced PDL filter";

std::string Letters(std::size_t size) {
    return std::string(size, 'x');
}

TEST(InserterSteps, TheFirstStaplingBlockWithTwoSpacesIsReplacedByTheComment) {
    struct Case {
        const char* label;
        std::string input;
        std::string expected;
    };
    const std::string oneSpace = "%%BeginFeature: *StaplingLocation TopLeft\nx\n%%EndFeature";
    const Case cases[] = {
        {"one block", "A\n" + kStaplingBlock + "\nB\n", "A\n" + kComment + "\nB\n"},
        {"at offset 0", kStaplingBlock + "\nB", kComment + "\nB"},
        {"one space is not the GPD's block", "A\n" + oneSpace + "\nB", "A\n" + oneSpace + "\nB"},
        {"two blocks: the second stays", kStaplingBlock + "\n" + kStaplingBlock + "\n",
         kComment + "\n" + kStaplingBlock + "\n"},
        {"end beyond the window: removed from a later window",
         Letters(98000) + kStaplingBlock.substr(0, 40) + Letters(500) + kStaplingBlock.substr(40) +
             "\nZ" + Letters(60000),
         Letters(98000) + kComment + "\nZ" + Letters(60000)},
    };
    for (const Case& c : cases) {
        InserterJob job;
        job.input = c.input;
        job.removeStapling = true;
        EXPECT_EQ(c.expected, RunInserter(job).output) << c.label;
    }
    InserterJob untouched;
    untouched.input = "A\n" + kStaplingBlock;
    EXPECT_EQ(untouched.input, RunInserter(untouched).output) << "removal not asked for";
}

TEST(InserterSteps, OnlyTheFirstBareJobLineBecomesTheDirectFaxLine) {
    struct Case {
        const char* label;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"bare line", "\x1b%-12345X@PJL JOB\r\n@PJL SET X=1\r\n",
         "\x1b%-12345X@PJL JOB MODE=DIRECTFAX\r\n@PJL SET X=1\r\n"},
        {"at offset 0", "@PJL JOB\r\nrest", "@PJL JOB MODE=DIRECTFAX\r\nrest"},
        {"with options", "@PJL JOB NAME=\"a\"\r\n", "@PJL JOB NAME=\"a\"\r\n"},
        {"line feed alone", "@PJL JOB\n", "@PJL JOB\n"},
        {"two bare lines", "@PJL JOB\r\n@PJL JOB\r\n", "@PJL JOB MODE=DIRECTFAX\r\n@PJL JOB\r\n"},
    };
    for (const Case& c : cases) {
        InserterJob job;
        job.input = c.input;
        job.legacyFax = true;
        EXPECT_EQ(c.expected, RunInserter(job).output) << c.label;
    }
}

// A PostScript job whose first page setup section turns the page-content state on.
std::string WithPageOne(const std::string& content) {
    return "%!PS\n%%Page: 1 1\n%%BeginPageSetup\nold\n%%EndPageSetup\n" + content;
}

TEST(InserterSteps, TheOuterGraphicsGroupOfPageContentIsStripped) {
    struct Case {
        const char* label;
        std::string content;
        std::string expected;
    };
    const std::string open = "gsave simpInitG\n";
    const std::string close = "grestore\n";
    const Case cases[] = {
        {"one group", open + "body\n" + close + "showpage\n", "body\nshowpage\n"},
        {"nested groups keep the inner lines", open + "a\n" + open + "b\n" + close + "c\n" + close,
         "a\n" + open + "b\n" + close + "c\n"},
        {"a closing line first goes out and the next opening too", close + "a\n" + open + "b\n",
         close + "a\n" + open + "b\n"},
    };
    for (const Case& c : cases) {
        InserterJob job;
        job.input = WithPageOne(c.content);
        EXPECT_EQ("%!PS\n%%Page: 1 1\n\n" + c.expected, RunInserter(job).output) << c.label;
    }
}

TEST(InserterSteps, PageSetupSectionsOfLaterPagesGetTheirOwnEmptySection) {
    InserterJob job;
    job.input = WithPageOne(
        "gsave simpInitG\np1\ngrestore\n%%Page: 2 2\n%%BeginPageSetup\nold2\n%%EndPageSetup\np2\n");
    EXPECT_EQ("%!PS\n%%Page: 1 1\n\np1\n%%Page: 2 2\n%%BeginPageSetup\n\n%%EndPageSetup\n\np2\n",
              RunInserter(job).output)
        << "page one's group closed, so page two's section is replaced";
    InserterJob other;
    other.input = WithPageOne("p1\n");
    other.pdl = PdlValue::PclXl;
    EXPECT_EQ(other.input, RunInserter(other).output) << "only PostScript has page features";
}
}  // namespace
