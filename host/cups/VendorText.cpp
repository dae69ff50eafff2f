// Each check names what the value could do, so the ERROR line tells the user why.
#include "host/cups/VendorText.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "FilterPipeline/PDLStreamFilter/DscVocabulary.h"
#include "host/cups/CupsOptions.h"

namespace {
// Whether `text` holds "ENTER", blanks and "LANGUAGE" in any case: a PJL language switch.
bool HoldsLanguageSwitch(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (std::size_t at = text.find("ENTER"); at != std::string::npos;
         at = text.find("ENTER", at + 1)) {
        const std::size_t word = text.find_first_not_of(" \t", at + 5);
        if (word != at + 5 && word != std::string::npos && text.compare(word, 8, "LANGUAGE") == 0) {
            return true;
        }
    }
    return false;
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A control character other than a line end or a tab: text no line of these syntaxes carries.
bool HoldsControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](unsigned char c) {
        return (c < 0x20 && c != '\t' && !IsLineEnd(static_cast<char>(c))) || c == 0x7F;
    });
}

// Whether every line of `text` but a blank one begins with `start`.
bool EveryLineBegins(std::string_view text, std::string_view start) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        if (!line.empty() && line.substr(0, start.size()) != start) {
            return false;
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return true;
}

// The first of the DSC comments the filter finds its way by that begins a line of `text`.
std::string_view MarkerLine(const std::string& text) {
    for (const std::string_view marker :
         {Dsc::kEndSetup, Dsc::kPage, Dsc::kBeginPageSetup, Dsc::kEndPageSetup}) {
        for (std::size_t at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + 1)) {
            if (at == 0 || IsLineEnd(text[at - 1])) {
                return marker;
            }
        }
    }
    return {};
}

[[noreturn]] void Refuse(const std::string& name, const std::string& why) {
    throw CupsOptionError("the option " + name + " " + why + ": the job is refused");
}
}  // namespace

void VendorText::RefuseUnsafe(const std::string& name, const std::string& lines, Syntax syntax) {
    if (lines.find('\x1b') != std::string::npos) {
        Refuse(name,
               "holds an escape character, which could end the job's PJL or its encrypted section");
    }
    if (HoldsControl(lines)) {
        Refuse(name, "holds a control character, which no line of it can carry");
    }
    if (syntax == Syntax::Pjl && HoldsLanguageSwitch(lines)) {
        Refuse(name, "holds a PJL language switch, which would go out in front of the job's own");
    }
    if (syntax == Syntax::Pjl && !EveryLineBegins(lines, "@PJL")) {
        Refuse(name,
               "holds a line that is no PJL command (\"@PJL ...\"), which a printer would "
               "take for print data");
    }
    if (syntax == Syntax::DscComments && !EveryLineBegins(lines, "%")) {
        Refuse(name,
               "holds a line that is no comment (\"%...\"), which would be PostScript code "
               "in the job's header");
    }
    if (const std::string_view marker = MarkerLine(lines); !marker.empty()) {
        Refuse(name, "holds a line " + std::string(marker) +
                         ", which would stand for the document's own structure");
    }
}
