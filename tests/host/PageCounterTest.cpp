// The pages a print server is told of: counted in PostScript and PCL XL as the bytes go by, at
// any read size, never from a byte inside a PCL XL value, data block or the PJL around it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "host/pipeline/PageCounter.h"
#include "tests/support/JobText.h"
#include "tests/support/TestFolders.h"

namespace {
std::optional<std::uint64_t> Count(const std::string& stream, std::size_t readSize) {
    PageCounter counter;
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        counter.Feed(stream.data() + at, std::min(readSize, stream.size() - at));
    }
    return counter.Pages();
}

const std::string kPclXlStart =
    Bytes("\x1b%-12345X@PJL ENTER LANGUAGE=PCLXL\r\n") + ") HP-PCL XL;2;0;Comment\n";

TEST(PageCounter, CountsThePagesOfEachLanguageAtAnyReadSize) {
    struct Case {
        const char* label;
        std::string stream;
        std::optional<std::uint64_t> pages;
    };
    const Case cases[] = {
        {"PostScript of three pages", ExampleJob("doc003.ps2write-drv-simpinitg.pjl.ps"), 3},
        {"PCL XL of one page", ExampleJob("doc001.pxlmono.pjl.pxl"), 1},
        {"Ghostscript's own PCL XL header", ExampleJob("doc001.pxlmono.gs.pxl"), 1},
        {"PDF is not counted", ExampleJob("doc001.pdfwrite.pdf"), std::nullopt},
        {"a page comment only at a line start", "%!PS\n%%Pages: 2\nx %%Page: 1 1\n", std::nullopt},
        {"PCL XL values, arrays and data blocks holding the EndPage byte",
         kPclXlStart + Bytes("\xc0\x44\xf8\x31"              // ubyte 0x44, PageCopies
                             "\xc8\xc0\x02\x44\x44"          // ubyte array of two
                             "\xfb\x03\x44\x44\x44"          // short data block
                             "\xfa\x02\x00\x00\x00\x44\x44"  // long data block
                             "\xd1\x44\x00\x44\x00"          // uint16 pair
                             "\x44"),                        // EndPage
         1},
        {"PJL after the UEL is no PCL XL",
         kPclXlStart + Bytes("\x44\x1b%-12345X@PJL SET DUPLEX=ON\r\n@PJL EOJ\r\n"), 1},
        {"a second PCL XL stream behind the UEL",
         kPclXlStart + Bytes("\x44\x1b%-12345X@PJL ENTER LANGUAGE=PCLXL\r\n") +
             ") HP-PCL XL;2;0\n\x44\x44",
         3},
    };
    for (const Case& c : cases) {
        for (const std::size_t readSize :
             {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{65536}}) {
            EXPECT_EQ(c.pages, Count(c.stream, readSize)) << c.label << ", read size " << readSize;
        }
    }
}
}  // namespace
