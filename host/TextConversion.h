// UTF-8 <-> UTF-16 for the host's command line and messages.
#pragma once

#include <filesystem>
#include <string>

#include "seam/Win32Seam.h"

class TextConversion {
  public:
    static std::string ToUtf8(const std::basic_string<WCHAR>& text);
    static std::basic_string<WCHAR> FromUtf8(const std::string& text);
    // A path as the filter writes it (backslashes) for the host's own file access.
    static std::filesystem::path NativePath(const std::basic_string<WCHAR>& path);
};
