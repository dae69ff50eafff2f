// PostScript another program made, readied for the filter: what a page setup section held moves
// behind it, so the job's page features can take its place without taking the page's own setup.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/printerapp/PrinterAppConversion.h"
#include "tests/support/JobText.h"

namespace {
std::string Emptied(const std::string& postscript) {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::fwrite(postscript.data(), 1, postscript.size(), in);
    std::rewind(in);
    PrinterAppConversion::EmptyPageSetups(in, out);
    std::string made(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    made.resize(std::fread(made.data(), 1, made.size(), out));
    std::fclose(in);
    std::fclose(out);
    return made;
}

TEST(PrinterAppConversion, APageSetupSectionIsLeftEmptyWithItsContentBehindIt) {
    struct Case {
        const char* label;
        std::string given;
        std::string made;
    };
    const Case cases[] = {
        {.label = "two pages",
         .given = "%%Page: 1 1\n%%BeginPageSetup\nA\nB\n%%EndPageSetup\nC\n"
                  "%%Page: 2 2\n%%BeginPageSetup\nD\n%%EndPageSetup\nE\n",
         .made = "%%Page: 1 1\n%%BeginPageSetup\n%%EndPageSetup\nA\nB\nC\n"
                 "%%Page: 2 2\n%%BeginPageSetup\n%%EndPageSetup\nD\nE\n"},
        {.label = "no page setup", .given = "%%Page: 1 1\nA\n", .made = "%%Page: 1 1\nA\n"},
        {.label = "lines ending CR LF",
         .given = "%%BeginPageSetup\r\nA\r\n%%EndPageSetup\r\n",
         .made = "%%BeginPageSetup\r\n%%EndPageSetup\r\nA\r\n"},
        {.label = "binary bytes in the section",
         .given = Bytes("%%BeginPageSetup\n\x00\xff\r\x1b\n%%EndPageSetup\n"),
         .made = Bytes("%%BeginPageSetup\n%%EndPageSetup\n\x00\xff\r\x1b\n")},
        {.label = "a section the file does not end",
         .given = "%%BeginPageSetup\nA\n",
         .made = "%%BeginPageSetup\nA\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.made, Emptied(c.given)) << c.label;
    }
}

TEST(PrinterAppConversion, EachPrinterLanguageHasItsConverter) {
    struct Case {
        const char* from;
        const char* to;
        bool monochrome;
        std::string command;
    };
    const Case cases[] = {
        {"application/pdf", "application/postscript", false, "pdftops -level3 'in'\\''s' -"},
        {"application/postscript", "application/pdf", false,
         "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile=- 'in'\\''s'"},
        {"application/pdf", "application/vnd.hp-pclxl", true,
         "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pxlmono -sOutputFile=- 'in'\\''s'"},
        {"application/postscript", "application/vnd.hp-pclxl", false,
         "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pxlcolor -sOutputFile=- 'in'\\''s'"},
        {"image/jpeg", "application/postscript", false, ""},
        {"application/pdf", "text/plain", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.command, PrinterAppConversion::CommandFor("in's", c.from, c.to, c.monochrome))
            << c.from << " to " << c.to;
    }
}
}  // namespace
