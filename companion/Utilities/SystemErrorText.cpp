// The system's text of an error code, through FormatMessageW on both builds.
#include "SystemErrorText.h"

#include "CPString.h"
#include "CXString.h"
#include "LastErrorPreserver.h"

std::string SystemErrorText::Of(DWORD error) {
    // Asked while a failure is being reported: the caller's last error must stay what it was.
    const LastErrorPreserver preserved;
    WCHAR text[512];
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text, sizeof text / sizeof text[0], nullptr);
    if (length == 0) {
        return "error " + std::to_string(error);
    }
    std::string words = CPString(CXString(std::basic_string<WCHAR>(text, length))).str();
    while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' ' ||
                              words.back() == '.')) {
        words.pop_back();
    }
    return words.empty() ? "error " + std::to_string(error) : words;
}
