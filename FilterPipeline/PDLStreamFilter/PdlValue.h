// PDL values of the driver's data model (signed 32-bit).
#pragma once

#include "seam/Win32Seam.h"

namespace PdlValue {
inline constexpr LONG PclXl = 7360;
inline constexpr LONG PostScript = 7363;
inline constexpr LONG Xps = 7364;
inline constexpr LONG Pdf = 7365;
inline constexpr LONG Pclm = 7366;
inline constexpr LONG NoneKnown = 5001;
}  // namespace PdlValue
