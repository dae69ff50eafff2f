// The one way the module raises a failure of its own: a CPComException that names the function and
// line it was raised at, with the last error of that moment preserved in it. The site comes from
// the compiler's builtins, which std::source_location is made of where the library has it (clang
// 14, which the fuzz build uses, lacks it).
#pragma once

#include <cstdint>
#include <string>

#include "seam/Win32Seam.h"

[[noreturn]] void RaiseFilterFailure(const char* sourceFile, std::string message, HRESULT result,
                                     const char* function = __builtin_FUNCTION(),
                                     std::uint32_t line = __builtin_LINE());
