// The PJL the filter writes and looks for, in one place: the universal exit, the job lines, the
// language lines and the job's own trailer. Each text is the exact bytes that go out.
#pragma once

#include <string>
#include <string_view>

#include "companion/Utilities/CXString.h"

namespace Pjl {
inline constexpr std::string_view kUel{"\x1b%-12345X", 9};
// The driver's closing sequence that the filter's own trailer replaces.
inline constexpr std::string_view kClosingSequence{
    "\x1b%-12345X\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X", 37};
inline constexpr std::string_view kJobTrailer{"\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X", 28};
// An encrypted XPS job's trailer ends its line as well.
inline constexpr std::string_view kXpsJobTrailer{"\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X\r\n", 30};
inline constexpr std::string_view kJobLine{"\x1b%-12345X@PJL JOB\r\n", 19};
// In front of a ticket on a queue whose separator page needs the previous job ended.
inline constexpr std::string_view kSeparatorEojLine{"\r\n\x1b%-12345X@PJL EOJ\r\n", 21};
inline constexpr std::string_view kEojItem{"\x1b%-12345X@PJL EOJ\r\n", 19};
inline constexpr std::string_view kBareJobLine{"@PJL JOB\r\n"};
inline constexpr std::string_view kFaxJobLine{"@PJL JOB MODE=DIRECTFAX\r\n"};
inline constexpr std::string_view kEnterLanguage{"@PJL ENTER LANGUAGE"};
inline constexpr std::string_view kComment{"@PJL COMMENT"};
inline constexpr std::string_view kPdfLanguageLine{"@PJL ENTER LANGUAGE=PDF\r\n"};
inline constexpr std::string_view kEncryptedLanguageLine{"\r\n@PJL ENTER LANGUAGE=ENCRYPTED\r\n"};

// A line as the item list and the tickets hold it: the same ASCII bytes as wide text.
inline CXString Wide(std::string_view ascii) {
    return CXString(std::string(ascii).c_str());
}
}  // namespace Pjl
