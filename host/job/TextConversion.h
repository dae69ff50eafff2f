// UTF-8 <-> UTF-16 for the host's command line and messages, whole numbers read from its texts, and
// HRESULTs and GUIDs as the host prints them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "seam/Win32Seam.h"

class TextConversion {
  public:
    static std::string ToUtf8(const std::basic_string<WCHAR>& text);
    static std::basic_string<WCHAR> FromUtf8(const std::string& text);
    // Whether the bytes are UTF-8 throughout: FromUtf8 makes U+FFFD of any that are not, so two
    // different pass phrases of such bytes would give one key.
    static bool IsUtf8(const std::string& text);
    // A path as the filter writes it (backslashes) for the host's own file access.
    static std::filesystem::path NativePath(const std::basic_string<WCHAR>& path);
    // The integer the whole of `text` spells, when it lies in [least, most]; nullopt otherwise.
    static std::optional<long long> WholeNumber(const std::string& text, long long least,
                                                long long most);
    // "0x8007001F": the form the report, the messages and the account use.
    static std::string HresultText(HRESULT result);
    // "{5AE4ED1C-44D9-4D64-98DB-059B7CAD622F}": upper case, as registries and configurations show
    // class ids.
    static std::string GuidText(const GUID& guid);
};
