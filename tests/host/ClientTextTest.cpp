// Any client's text as the hosts write it into a document or a job: one line, no control
// character (so no UEL), UTF-8 throughout, cut where a character begins.
#include <gtest/gtest.h>

#include <string>

#include "host/job/ClientText.h"

namespace {
TEST(ClientText, ATextBecomesOneLineOfPrintableUtf8) {
    struct Case {
        const char* label;
        std::string text;
        std::string clean;
    } const cases[] = {
        {.label = "plain", .text = "Quarterly report.pdf", .clean = "Quarterly report.pdf"},
        {.label = "line ends and a DSC comment",
         .text = "x\r\n%%EndSetup\n(INJECTED) print",
         .clean = "x  %%EndSetup (INJECTED) print"},
        {.label = "a UEL and PJL",
         .text = "\x1b%-12345X@PJL ENTER LANGUAGE=PCL",
         .clean = " %-12345X@PJL ENTER LANGUAGE=PCL"},
        {.label = "a NUL, a tab, DEL and a C1 control",
         .text = std::string("a\0b\tc\x7f"
                             "d\xc2\x85"
                             "e",
                             10),
         .clean = "a b c d e"},
        {.label = "UTF-8 kept",
         .text = "Gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac",
         .clean = "Gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac"},
        {.label = "a byte that is no UTF-8",
         .text = "a\xff"
                 "b",
         .clean = "a\xef\xbf\xbd"
                  "b"},
        {.label = "quotes stay (the syntax escapes them)",
         .text = "say \"hi\" (now)",
         .clean = "say \"hi\" (now)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.clean, ClientText::OneLine(c.text, 100)) << c.label;
    }
}

TEST(ClientText, ADscCommentsTextHoldsNoCommentMarkerOfItsOwn) {
    struct Case {
        const char* label;
        std::string text;
        std::string clean;
    } const cases[] = {
        {.label = "a marker in the name", .text = "x\n%%EndSetup", .clean = "x % %EndSetup"},
        {.label = "three in a row", .text = "%%%", .clean = "% % %"},
        {.label = "four in a row", .text = "%%%%", .clean = "% % % %"},
        {.label = "one alone", .text = "100% done", .clean = "100% done"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.clean, ClientText::DscCommentText(c.text)) << c.label;
    }
}

TEST(ClientText, ALongTextIsCutWhereACharacterBegins) {
    struct Case {
        const char* label;
        std::string text;
        std::size_t limit;
        std::string cut;
    } const cases[] = {
        {.label = "ASCII", .text = "abcdef", .limit = 4, .cut = "abcd"},
        {.label = "within a two-byte character", .text = "ab\xc3\xbc", .limit = 3, .cut = "ab"},
        {.label = "within a three-byte character", .text = "a\xe2\x82\xac", .limit = 3, .cut = "a"},
        {.label = "at the limit", .text = "a\xe2\x82\xac", .limit = 4, .cut = "a\xe2\x82\xac"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.cut, ClientText::OneLine(c.text, c.limit)) << c.label;
    }
    EXPECT_EQ(ClientText::kDscCommentTextLimit,
              ClientText::DscCommentText(std::string(10000, 'y')).size());
    EXPECT_EQ(ClientText::kSpoolerNameLimit,
              ClientText::SpoolerName(std::string(10000, 'y')).size());
}
}  // namespace
