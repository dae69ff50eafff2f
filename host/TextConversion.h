// UTF-8 <-> UTF-16 for the host's command line and messages, and HRESULTs and GUIDs as the host
// prints them.
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
    // "0x8007001F": the form the report, the messages and the account use.
    static std::string HresultText(HRESULT result);
    // "{5AE4ED1C-44D9-4D64-98DB-059B7CAD622F}": upper case, as registries and configurations show
    // class ids.
    static std::string GuidText(const GUID& guid);
};
