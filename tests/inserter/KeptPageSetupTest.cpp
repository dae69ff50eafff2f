// A document that no driver made keeps its page setup: each page's features open its own section,
// in front of the section's code (their setpagedevice resets the coordinates that code sets up),
// page one's go in front of "%%EndSetup" only when it has no section, and nothing of the input is
// dropped for them, at every read size.
#include <gtest/gtest.h>

#include "InserterHarness.h"

namespace {
constexpr ULONG kReadSizes[] = {1, 2, 7, 0};
const std::string kDuplexCode =
    "%%BeginFeature: *Duplex TwoSidedLongEdge\n<< /Duplex true /Tumble false >> "
    "setpagedevice\n%%EndFeature\n";
const std::u16string kDuplex = u"Duplex=TwoSidedLongEdge";
const std::u16string kPage1 = u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1";
const std::u16string kPage2 = u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_2";
const std::u16string kPage3 = u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_3";

// A page as CUPS's pstops writes it: its section holds the N-up and rotation code.
std::string Page(int number, const std::string& setup) {
    const std::string n = std::to_string(number);
    return "%%Page: " + n + " " + n + "\n%%BeginPageSetup\n" + setup + "%%EndPageSetup\n(p" + n +
           ") show showpage\n";
}

std::string PageWithFeatures(int number, const std::string& setup) {
    const std::string n = std::to_string(number);
    return "%%Page: " + n + " " + n + "\n%%BeginPageSetup\n" + kDuplexCode + setup +
           "%%EndPageSetup\n(p" + n + ") show showpage\n";
}

struct Case {
    const char* label;
    std::string input;
    std::map<std::u16string, std::u16string> properties;
    std::string expected;
};

void ExpectKept(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        for (const ULONG readSize : kReadSizes) {
            InserterJob job{.input = c.input,
                            .keepPageSetup = true,
                            .readSize = readSize,
                            .properties = c.properties};
            EXPECT_EQ(c.expected, RunInserter(job).output) << c.label << ", read size " << readSize;
        }
    }
}

TEST(KeptPageSetup, EachPagesFeaturesOpenItsOwnSectionInFrontOfItsCode) {
    const std::string head = "%!PS-Adobe-3.0\n%%BeginSetup\nsetup\n%%EndSetup\n";
    const std::string nUp = "0.7 dup scale 90 rotate\n";
    const std::string filler(120000, 'f');
    ExpectKept({
        {"every page's own code stays behind its features",
         head + Page(1, nUp) + Page(2, nUp) + Page(3, nUp),
         {{kPage1, kDuplex}, {kPage3, kDuplex}},
         head + PageWithFeatures(1, nUp) + Page(2, nUp) + PageWithFeatures(3, nUp)},
        {"an empty section of a page without features stays as it is",
         head + Page(1, "") + Page(2, ""),
         {{kPage2, kDuplex}},
         head + Page(1, "") + PageWithFeatures(2, "")},
        {"page one without a section: its features in front of %%EndSetup",
         head + "%%Page: 1 1\n(p1) show showpage\n" + Page(2, nUp),
         {{kPage1, kDuplex}, {kPage2, kDuplex}},
         "%!PS-Adobe-3.0\n%%BeginSetup\nsetup\n" + kDuplexCode +
             "%%EndSetup\n%%Page: 1 1\n(p1) show showpage\n" + PageWithFeatures(2, nUp)},
        {"a marker line ended by CR LF",
         head + "%%Page: 1 1\n%%BeginPageSetup\r\ncode\n%%EndPageSetup\n",
         {{kPage1, kDuplex}},
         head + "%%Page: 1 1\n%%BeginPageSetup\r\n" + kDuplexCode + "code\n%%EndPageSetup\n"},
        {"a marker without a line end keeps a line of its own",
         head + "%%Page: 1 1\n%%BeginPageSetup%%EndPageSetup\n",
         {{kPage1, kDuplex}},
         head + "%%Page: 1 1\n%%BeginPageSetup\n" + kDuplexCode + "%%EndPageSetup\n"},
        {"page one's section far behind %%EndSetup, across windows",
         head + filler + Page(1, nUp) + Page(2, nUp),
         {{kPage1, kDuplex}},
         head + filler + PageWithFeatures(1, nUp) + Page(2, nUp)},
    });
}

TEST(KeptPageSetup, NothingOfTheInputIsDroppedForTheFeatures) {
    const std::string pjl = "\x1b%-12345X@PJL JOB\r\n@PJL SET RESOLUTION=600\r\n";
    const std::string comment = "@PJL COMMENT cups\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
    const std::string grouped =
        "%!PS\n%%EndSetup\n%%Page: 1 1\n%%BeginPageSetup\nold\n"
        "%%EndPageSetup\ngsave simpInitG\np1\ngrestore\n"
        "%%Page: 2 2\n%%BeginPageSetup\nold\n%%EndPageSetup\n"
        "gsave simpInitG\np2\ngrestore\n";
    ExpectKept({
        {"the PJL in front of @PJL COMMENT stays",
         pjl + comment + "%!PS\n" + Page(1, ""),
         {{kPage1, kDuplex}},
         pjl + comment + "%!PS\n" + PageWithFeatures(1, "")},
        {"a driver's graphics groups are still taken out, the sections stay",
         grouped,
         {{kPage1, kDuplex}, {kPage2, kDuplex}},
         "%!PS\n%%EndSetup\n%%Page: 1 1\n%%BeginPageSetup\n" + kDuplexCode +
             "old\n%%EndPageSetup\np1\n%%Page: 2 2\n%%BeginPageSetup\n" + kDuplexCode +
             "old\n%%EndPageSetup\np2\n"},
    });
}

// The Windows driver's jobs keep their bytes: without the mode page one's section is dropped and
// a later page's is replaced by its features.
TEST(KeptPageSetup, WithoutTheModeTheSectionsAreReplacedAsBefore) {
    const std::string grouped =
        "%!PS\n%%EndSetup\n%%Page: 1 1\n%%BeginPageSetup\nold\n"
        "%%EndPageSetup\ngsave simpInitG\np1\ngrestore\n"
        "%%Page: 2 2\n%%BeginPageSetup\nold\n%%EndPageSetup\n"
        "gsave simpInitG\np2\ngrestore\n";
    InserterJob job{.input = grouped, .properties = {{kPage2, kDuplex}}};
    EXPECT_EQ("%!PS\n%%EndSetup\n%%Page: 1 1\n\np1\n%%Page: 2 2\n%%BeginPageSetup\n" + kDuplexCode +
                  "\n%%EndPageSetup\n\np2\n",
              RunInserter(job).output);
}
}  // namespace
