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

InserterJob Stapled(std::string input) {
    return {.input = std::move(input), .removeStapling = true};
}

InserterJob Faxed(std::string input) {
    return {.input = std::move(input), .legacyFax = true};
}

TEST(InserterSteps, TheFirstStaplingBlockWithTwoSpacesIsReplacedByTheComment) {
    const std::string oneSpace = "%%BeginFeature: *StaplingLocation TopLeft\nx\n%%EndFeature";
    ExpectOutputs({
        {"one block", Stapled("A\n" + kStaplingBlock + "\nB\n"), "A\n" + kComment + "\nB\n"},
        {"at offset 0", Stapled(kStaplingBlock + "\nB"), kComment + "\nB"},
        {"one space is not the GPD's block", Stapled("A\n" + oneSpace + "\nB"),
         "A\n" + oneSpace + "\nB"},
        {"two blocks: the second stays", Stapled(kStaplingBlock + "\n" + kStaplingBlock + "\n"),
         kComment + "\n" + kStaplingBlock + "\n"},
        {"end beyond the window: removed from a later window",
         Stapled(Letters(98000) + kStaplingBlock.substr(0, 40) + Letters(500) +
                 kStaplingBlock.substr(40) + "\nZ" + Letters(60000)),
         Letters(98000) + kComment + "\nZ" + Letters(60000)},
        {"removal not asked for", {.input = "A\n" + kStaplingBlock}, "A\n" + kStaplingBlock},
    });
}

TEST(InserterSteps, OnlyTheFirstBareJobLineBecomesTheDirectFaxLine) {
    ExpectOutputs({
        {"bare line", Faxed("\x1b%-12345X@PJL JOB\r\n@PJL SET X=1\r\n"),
         "\x1b%-12345X@PJL JOB MODE=DIRECTFAX\r\n@PJL SET X=1\r\n"},
        {"at offset 0", Faxed("@PJL JOB\r\nrest"), "@PJL JOB MODE=DIRECTFAX\r\nrest"},
        {"with options", Faxed("@PJL JOB NAME=\"a\"\r\n"), "@PJL JOB NAME=\"a\"\r\n"},
        {"line feed alone", Faxed("@PJL JOB\n"), "@PJL JOB\n"},
        {"two bare lines", Faxed("@PJL JOB\r\n@PJL JOB\r\n"),
         "@PJL JOB MODE=DIRECTFAX\r\n@PJL JOB\r\n"},
    });
}

// A PostScript job whose first page setup section turns the page-content state on.
std::string WithPageOne(const std::string& content) {
    return "%!PS\n%%Page: 1 1\n%%BeginPageSetup\nold\n%%EndPageSetup\n" + content;
}

// The section of page one goes; page one's group closed, so page two's section is replaced.
TEST(InserterSteps, TheOuterGraphicsGroupOfPageContentIsStrippedOnPostScriptOnly) {
    const std::string open = "gsave simpInitG\n";
    const std::string close = "grestore\n";
    const std::string pageOne = "%!PS\n%%Page: 1 1\n\n";
    ExpectOutputs({
        {"one group",
         {.input = WithPageOne(open + "body\n" + close + "showpage\n")},
         pageOne + "body\nshowpage\n"},
        {"nested groups keep the inner lines",
         {.input = WithPageOne(open + "a\n" + open + "b\n" + close + "c\n" + close)},
         pageOne + "a\n" + open + "b\n" + close + "c\n"},
        {"a closing line first goes out and the next opening too",
         {.input = WithPageOne(close + "a\n" + open + "b\n")},
         pageOne + close + "a\n" + open + "b\n"},
        {"a later page's section becomes empty",
         {.input = WithPageOne(open + "p1\n" + close +
                               "%%Page: 2 2\n%%BeginPageSetup\nold2\n%%EndPageSetup\np2\n")},
         pageOne + "p1\n%%Page: 2 2\n%%BeginPageSetup\n\n%%EndPageSetup\n\np2\n"},
        {"only PostScript has page features",
         {.input = WithPageOne("p1\n"), .pdl = PdlValue::PclXl},
         WithPageOne("p1\n")},
    });
}
}  // namespace
