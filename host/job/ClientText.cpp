// Clean text goes through UTF-16, where the platform's conversion has already replaced what is
// not UTF-8, so only control characters and the cut are left to do here.
#include "host/job/ClientText.h"

#include "host/job/TextConversion.h"

namespace {
bool IsControl(WCHAR c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool BeginsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}
}  // namespace

std::string ClientText::OneLine(const std::string& text, std::size_t limit) {
    std::basic_string<WCHAR> wide = TextConversion::FromUtf8(text);
    for (WCHAR& c : wide) {
        if (IsControl(c)) {
            c = WCHAR{0x20};
        }
    }
    std::string clean = TextConversion::ToUtf8(wide);
    if (clean.size() <= limit) {
        return clean;
    }
    std::size_t cut = limit;
    while (cut > 0 && !BeginsCharacter(clean[cut])) {
        --cut;
    }
    clean.resize(cut);
    return clean;
}

// A "%%" in the text is parted too: readers of a DSC document (the filter among them) look for
// its comments, "%%EndSetup" and the others, wherever they stand in a line.
std::string ClientText::DscCommentText(const std::string& text) {
    std::string parted = text;
    for (std::size_t at = parted.find("%%"); at != std::string::npos;
         at = parted.find("%%", at + 2)) {
        parted.insert(at + 1, 1, ' ');
    }
    return OneLine(parted, kDscCommentTextLimit);
}

std::string ClientText::SpoolerName(const std::string& text) {
    return OneLine(text, kSpoolerNameLimit);
}
