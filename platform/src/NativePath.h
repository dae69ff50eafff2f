// Windows paths in UTF-16 to native UTF-8 paths: backslashes become slashes, so a path that the
// filter builds with Windows separators names the same file here.
#pragma once

#include <string>

#include "cvplatform/Win32Types.h"

std::string NativePathOf(LPCWSTR path);
