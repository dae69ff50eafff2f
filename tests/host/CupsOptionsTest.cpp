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
        {"IPP's named trays and colour modes",
         {{"media-source", "middle"}, {"print-color-mode", "auto-monochrome"}},
         "MediaPosition=2:ColorMode=Monochrome",
         0},
        {"a finished job keeps its page size", {{"media", "A4"}}, "", 1},
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
        const CupsJobOptions mapped = CupsJobOptions::Map(c.options, {});
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
        const CupsJobOptions mapped = CupsJobOptions::Map(c.options, {.copies = c.copies});
        EXPECT_EQ(c.pjl, mapped.pjl) << c.label;
        EXPECT_EQ(c.jobLevelPs, mapped.jobLevelPs) << c.label;
        EXPECT_EQ(c.comments, mapped.jobLevelPsComments) << c.label;
        EXPECT_EQ(c.removeStapling, mapped.removeStapling) << c.label;
    }
}
TEST(CupsJobOptions, APclXlOrPdfPrinterTakesTheSettingsAsPjlLines) {
    struct Case {
        const char* label;
        std::map<std::string, std::string> options;
        CupsJobOptions::Request request;
        std::string pjl;
        std::size_t ignored;
    };
    using Language = CupsJobOptions::Language;
    const Case cases[] = {
        {"nothing asked", {}, {.language = Language::PclXl}, "", 0},
        {"every setting, collated copies, before the job's own PJL",
         {{"sides", "two-sided-short-edge"},
          {"media-source", "tray-3"},
          {"media-type", "Plain"},
          {"print-color-mode", "monochrome"},
          {"media", "iso_a4_210x297mm"},
          {"Collate", "True"},
          {"cv-pjl", "@PJL SET HOLD=ON"}},
         {.language = Language::PclXl, .copies = 2},
         "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n@PJL SET MEDIATYPE=Plain\r\n"
         "@PJL SET MEDIASOURCE=TRAY3\r\n@PJL SET RENDERMODE=GRAYSCALE\r\n@PJL SET PAPER=A4\r\n"
         "@PJL SET QTY=2\r\n@PJL SET HOLD=ON\r\n",
         0},
        {"uncollated copies, one-sided, a PPD page size",
         {{"Duplex", "None"}, {"PageSize", "Letter"}},
         {.language = Language::PclXl, .copies = 3},
         "@PJL SET DUPLEX=OFF\r\n@PJL SET PAPER=LETTER\r\n@PJL SET COPIES=3\r\n",
         0},
        {"Ghostscript leaves the copies of a converted job to the printer",
         {{"Collate", "True"}},
         {.language = Language::PclXl, .copies = 3, .finished = false},
         "@PJL SET QTY=3\r\n",
         0},
        {"a PDF printer, as a PCL XL one",
         {{"sides", "two-sided-long-edge"}, {"Collate", "True"}},
         {.language = Language::Pdf, .copies = 2},
         "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=LONGEDGE\r\n@PJL SET QTY=2\r\n",
         0},
        {"a paper PJL cannot name",
         {{"media", "na_index-4x6_4x6in"}},
         {.language = Language::PclXl},
         "",
         1},
    };
    for (const Case& c : cases) {
        const CupsJobOptions mapped = CupsJobOptions::Map(c.options, c.request);
        EXPECT_EQ(c.pjl, mapped.pjl) << c.label;
        EXPECT_EQ("", mapped.pageFeatures) << c.label;
        EXPECT_EQ("", mapped.jobLevelPs) << c.label;
        EXPECT_EQ(c.ignored, mapped.ignored.size()) << c.label;
    }
}

TEST(CupsJobOptions, AConvertedPostScriptJobGetsNoCopiesOrCollationOfTheFilter) {
    const CupsJobOptions mapped = CupsJobOptions::Map(
        {{"Collate", "True"}, {"media", "A4"}, {"cv-job-ps", "/x 1 def"}, {"sides", "one-sided"}},
        {.copies = 4, .finished = false});
    EXPECT_EQ("/x 1 def\n", mapped.jobLevelPs);
    EXPECT_EQ("Duplex=OneSided", mapped.pageFeatures);
    EXPECT_TRUE(mapped.ignored.empty()) << mapped.ignored.front();
}

TEST(CupsJobOptions, TheTextOptionsComeAsThePpdsCustomChoicesToo) {
    struct Case {
        const char* label;
        std::map<std::string, std::string> options;
        std::string pjl;
        std::string comments;
    };
    const Case cases[] = {
        {"custom choices",
         {{"cvPjl", "Custom.@PJL SET HOLD=ON"}, {"cvDscComments", "Custom.%%For: bob"}},
         "@PJL SET HOLD=ON\r\n",
         "%%For: bob\n"},
        {"the default None asks for nothing",
         {{"cvPjl", "None"}, {"cvDscComments", "None"}},
         "",
         ""},
        {"a default None does not hide the option under its own name",
         {{"cvPjl", "None"}, {"cv-pjl", "@PJL SET A=1"}},
         "@PJL SET A=1\r\n",
         ""},
    };
    for (const Case& c : cases) {
        const CupsJobOptions mapped = CupsJobOptions::Map(c.options, {});
        EXPECT_EQ(c.pjl, mapped.pjl) << c.label;
        EXPECT_EQ(c.comments, mapped.jobLevelPsComments) << c.label;
    }
}

// A text option that could end the job's PJL or put a switch in front of the job's own would send
// what follows it in the clear on a queue with a pass phrase; one that starts print data in front
// of the switch, or a line the document's structure is found by, would print otherwise than the
// user asked: the job is refused.
TEST(CupsJobOptions, ATextOptionThatCouldDoMoreThanItsOptionRefusesTheJob) {
    struct Case {
        const char* label;
        std::map<std::string, std::string> options;
        const char* reason;  // empty: accepted
    };
    const Case cases[] = {
        {"a UEL and a switch in cv-pjl",
         {{"cv-pjl", "\x1b%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\\n%!PS (secret) show"}},
         "the option cv-pjl holds an escape character"},
        {"a switch in cv-pjl, lower case and blanks",
         {{"cv-pjl", "@pjl enter  language = postscript"}},
         "the option cv-pjl holds a PJL language switch"},
        {"a switch as the PPD's custom choice",
         {{"cvPjl", "Custom.@PJL ENTER\tLANGUAGE=PCL"}},
         "the option cv-pjl holds a PJL language switch"},
        {"a UEL in job-level PostScript",
         {{"cv-job-ps", "\x1b%-12345X"}},
         "the option cv-job-ps holds an escape character"},
        {"a switch in job-level PostScript is PostScript text",
         {{"cv-job-ps", "(ENTER LANGUAGE)"}},
         ""},
        {"ENTERLANGUAGE without a blank is no switch",
         {{"cv-pjl", "@PJL COMMENT ENTERLANGUAGE"}},
         ""},
        {"print data behind a line end in cv-pjl",
         {{"cv-pjl", "@PJL SET A=1\n(INJECTED) print"}},
         "the option cv-pjl holds a line that is no PJL command"},
        {"a second line without @PJL",
         {{"cv-pjl", "@PJL SET A=1\\nSET B=2"}},
         "the option cv-pjl holds a line that is no PJL command"},
        {"lines of PJL with their own CR LF and a tab",
         {{"cv-pjl", "@PJL SET A=1\r\n@PJL COMMENT\tx"}},
         ""},
        {"a NUL in cv-pjl",
         {{"cv-pjl", std::string("@PJL SET A=1\0x", 14)}},
         "the option cv-pjl holds a control character"},
        {"DEL in job-level PostScript",
         {{"cv-job-ps", "/x 1 def\x7f"}},
         "the option cv-job-ps holds a control character"},
        {"PostScript among the DSC comments",
         {{"cv-job-ps-comments", "%%For: alice\\n(x) show"}},
         "the option cv-job-ps-comments holds a line that is no comment"},
        {"the end of the setup among the DSC comments",
         {{"cv-job-ps-comments", "%%For: alice\n%%EndSetup"}},
         "the option cv-job-ps-comments holds a line %%EndSetup"},
        {"a page in job-level PostScript",
         {{"cv-job-ps", "/x 1 def\\n%%Page: 1 1"}},
         "the option cv-job-ps holds a line %%Page:"},
        {"a marker inside a PostScript string is text", {{"cv-job-ps", "(%%EndSetup) pop"}}, ""},
        {"comments of the header", {{"cvDscComments", "Custom.%%For: bob\\n%%Title: plan"}}, ""},
    };
    for (const Case& c : cases) {
        try {
            CupsJobOptions::Map(c.options, {});
            EXPECT_STREQ("", c.reason) << c.label << ": accepted";
        } catch (const CupsOptionError& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(c.reason))
                << c.label << ": " << error.what();
            EXPECT_STRNE("", c.reason) << c.label << ": refused";
        }
    }
}

TEST(CupsJobOptions, TheQueuesDefaultsFillWhatTheJobSetsUnderNeitherName) {
    const std::map<std::string, std::string> defaults = {{"Duplex", "DuplexNoTumble"},
                                                         {"InputSlot", "Tray2"},
                                                         {"ColorModel", "Gray"},
                                                         {"PageSize", "A4"}};
    const std::map<std::string, std::string> job = {
        {"sides", "one-sided"}, {"InputSlot", "Tray3"}, {"cv-pjl", "@PJL SET A=1"}};
    const std::map<std::string, std::string> expected = {{"sides", "one-sided"},
                                                         {"InputSlot", "Tray3"},
                                                         {"cv-pjl", "@PJL SET A=1"},
                                                         {"ColorModel", "Gray"},
                                                         {"PageSize", "A4"}};
    EXPECT_EQ(expected, CupsJobOptions::WithDefaults(job, defaults));
}
}  // namespace
