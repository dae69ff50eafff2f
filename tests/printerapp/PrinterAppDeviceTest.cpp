// The ready message Identify-Printer puts on a printer's panel: whatever a client sends, it stays
// one quoted PJL string inside its own PJL job.
#include <gtest/gtest.h>

#include <string>

#include "host/printerapp/PrinterAppDevice.h"

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
