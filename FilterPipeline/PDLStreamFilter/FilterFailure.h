// The one way the module raises a failure of its own: a CPComException that names the function and
// line it was raised at, with the last error of that moment preserved in it.
#pragma once

#include <source_location>
#include <string>

#include "seam/Win32Seam.h"

[[noreturn]] void RaiseFilterFailure(const char* sourceFile, std::string message, HRESULT result,
                                     std::source_location site = std::source_location::current());
