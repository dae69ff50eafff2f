// The PostScript document's own markers the copy looks for, in one place: the DSC comments that
// bound its setup and its pages, and the driver's graphics group lines. Each text is the exact
// bytes compared.
#pragma once

#include <string_view>

#include "seam/Win32Seam.h"

namespace Dsc {
inline constexpr std::string_view kEndSetup{"%%EndSetup"};
inline constexpr std::string_view kPage{"%%Page:"};
inline constexpr std::string_view kBeginPageSetup{"%%BeginPageSetup"};
inline constexpr std::string_view kEndPageSetup{"%%EndPageSetup"};
inline constexpr std::string_view kGroupOpening{"gsave simpInitG\n"};
inline constexpr std::string_view kGroupClosing{"grestore\n"};

// A marker's length as the buffer's offsets count it.
inline DWORD Size(std::string_view text) {
    return static_cast<DWORD>(text.size());
}
}  // namespace Dsc
