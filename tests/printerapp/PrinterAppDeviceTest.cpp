// What the application makes of what comes from outside: the ready message Identify-Printer
// puts on a printer's panel stays one quoted PJL string inside its own PJL job, and a job sent
// without its format is known by its PJL language switch.
#include <gtest/gtest.h>

#include <string>

#include "host/printerapp/PrinterAppDevice.h"
#include "host/printerapp/PrinterAppDrivers.h"

namespace {
const std::string kStart = "\x1b%-12345X@PJL\r\n@PJL RDYMSG DISPLAY = \"";
const std::string kEnd = "\"\r\n\x1b%-12345X";

TEST(PrinterAppReadyMessage, AClientsMessageIsShownAsOnePjlStringOfPrintableAscii) {
    struct Case {
        const char* label;
        std::string message;
        std::string shown;
    };
    const Case cases[] = {
        {.label = "plain text", .message = "Hello, World!", .shown = "Hello, World!"},
        {.label = "a quote would end the string", .message = "say \"hi\"", .shown = "say  hi "},
        {.label = "a line break would start a PJL command",
         .message = "a\r\n@PJL RESET",
         .shown = "a  @PJL RESET"},
        {.label = "an escape would end the PJL job",
         .message = "\x1b%-12345X",
         .shown = " %-12345X"},
        {.label = "bytes beyond ASCII", .message = "B\xc3\xbcro", .shown = "B??ro"},
        {.label = "longer than a panel",
         .message = std::string(90, 'x'),
         .shown = std::string(80, 'x')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kStart + c.shown + kEnd, PrinterAppDevice::ReadyMessage(c.message)) << c.label;
    }
}
}  // namespace

namespace {
TEST(PrinterAppFormat, AJobBehindPjlIsKnownByItsLanguageSwitch) {
    struct Case {
        const char* label;
        std::string header;
        const char* format;
    };
    const Case cases[] = {
        {"PostScript", "\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS",
         "application/postscript"},
        {"PCL XL, spaced", "\x1b%-12345X@PJL SET DUPLEX=OFF\r\n@PJL ENTER LANGUAGE = PCLXL\r\n",
         "application/vnd.hp-pclxl"},
        {"PDF, lower case", "@PJL\r\n@PJL ENTER LANGUAGE=pdf\r\n%PDF-1.7", "application/pdf"},
        {"a bare PCL XL stream", ") HP-PCL XL;2;0;Comment\n", "application/vnd.hp-pclxl"},
        {"another language", "\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n", nullptr},
        {"PJL without a language switch", "\x1b%-12345X@PJL INFO STATUS\r\n", nullptr},
        {"a language switch not at the start", "text @PJL ENTER LANGUAGE=PDF", nullptr},
        {"nothing", "", nullptr},
    };
    for (const Case& c : cases) {
        const char* format = PrinterAppDrivers::FormatOf(
            reinterpret_cast<const unsigned char*>(c.header.data()), c.header.size(), nullptr);
        EXPECT_EQ(std::string(c.format != nullptr ? c.format : "(none)"),
                  std::string(format != nullptr ? format : "(none)"))
            << c.label;
    }
}
}  // namespace
