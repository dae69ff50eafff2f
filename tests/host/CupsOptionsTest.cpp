// A CUPS job's options as the filter's pipeline properties: which option gives which setting,
// which twin wins, what is left out, and the text options' line ends.
#include <gtest/gtest.h>

#include "host/cups/CupsOptions.h"

namespace {
TEST(CupsJobOptions, StandardOptionsBecomeEveryPagesFeatureSettings) {
    struct Case {
        const char* label;
        std::map<std::string, std::string> options;
        std::string pageFeatures;
        std::size_t ignored;
    };
    const Case cases[] = {
        {"none", {}, "", 0},
        {"IPP attributes",
         {{"sides", "two-sided-short-edge"},
          {"media-type", "Plain_A4"},
          {"media-source", "tray-2"},
          {"print-color-mode", "color"}},
         "Duplex=TwoSidedShortEdge:MediaType=Plain_A4:MediaPosition=2:ColorMode=Color",
         0},
        {"PPD options win over their IPP twins",
         {{"Duplex", "DuplexNoTumble"},
          {"sides", "one-sided"},
          {"ColorModel", "Gray"},
          {"print-color-mode", "color"},
          {"InputSlot", "Tray100"}},
         "Duplex=TwoSidedLongEdge:MediaPosition=100:ColorMode=Monochrome",
         0},
        {"defaults ask for nothing",
         {{"media-source", "auto"}, {"print-color-mode", "auto"}, {"media-type", "auto"}},
         "",
         0},
        {"a source with a number that is no tray", {{"media-source", "envelope-2"}}, "", 1},
        {"a media type the page code cannot name", {{"MediaType", ")quit("}}, "", 1},
        {"a media type with a blank", {{"media-type", "Glossy Photo"}}, "", 1},
        {"unknown values are left out, each said",
         {{"sides", "three-sided"},
          {"media-source", "envelope-feeder"},
          {"media-type", "a:b"},
          {"print-color-mode", "sepia"}},
         "",
         4},
    };
    for (const Case& c : cases) {
        const CupsJobOptions mapped = CupsJobOptions::Map(c.options, 1);
        EXPECT_EQ(c.pageFeatures, mapped.pageFeatures) << c.label;
        EXPECT_EQ(c.ignored, mapped.ignored.size()) << c.label;
    }
}

TEST(CupsJobOptions, CopiesCollateAndOurOwnOptionsBecomeTheItems) {
    struct Case {
        const char* label;
        std::map<std::string, std::string> options;
        int copies;
        std::string pjl;
        std::string jobLevelPs;
        std::string comments;
        bool removeStapling;
    };
    const Case cases[] = {
        {"one copy, nothing asked", {}, 1, "", "", "", false},
        {"copies and collation",
         {{"Collate", "True"}},
         3,
         "",
         "<< /Collate true /NumCopies 3 >> setpagedevice\n",
         "",
         false},
        {"collation as IPP, a bare flag",
         {{"multiple-document-handling", "separate-documents-collated-copies"},
          {"cv-remove-stapling", ""}},
         1,
         "",
         "<< /Collate true >> setpagedevice\n",
         "",
         true},
        {"text options: \\n ends a line, the last line is ended",
         {{"cv-pjl", "@PJL SET A=1\\n@PJL SET B=2"},
          {"cv-job-ps", "/x 1 def"},
          {"cv-job-ps-comments", "%%For: alice\\n"},
          {"cv-remove-stapling", "false"}},
         2,
         "@PJL SET A=1\r\n@PJL SET B=2\r\n",
         "<< /NumCopies 2 >> setpagedevice\n/x 1 def\n",
         "%%For: alice\n",
         false},
    };
    for (const Case& c : cases) {
        const CupsJobOptions mapped = CupsJobOptions::Map(c.options, c.copies);
        EXPECT_EQ(c.pjl, mapped.pjl) << c.label;
        EXPECT_EQ(c.jobLevelPs, mapped.jobLevelPs) << c.label;
        EXPECT_EQ(c.comments, mapped.jobLevelPsComments) << c.label;
        EXPECT_EQ(c.removeStapling, mapped.removeStapling) << c.label;
    }
}
}  // namespace
