// Folder creation and the form of folder paths.
#include "XFolder.h"

#include <algorithm>

#include "CPString.h"

namespace {
bool IsSeparator(WCHAR c) {
    return c == WIDE('\\') || c == WIDE('/');
}

bool StartsAbsolute(const std::basic_string<WCHAR>& text) {
    const bool drive = text.size() >= 3 && text[1] == WIDE(':') && IsSeparator(text[2]) &&
                       ((text[0] >= WIDE('A') && text[0] <= WIDE('Z')) ||
                        (text[0] >= WIDE('a') && text[0] <= WIDE('z')));
    const bool share =
        text.size() >= 3 && IsSeparator(text[0]) && IsSeparator(text[1]) && !IsSeparator(text[2]);
#if defined(_WIN32)
    const bool native = false;
#else
    const bool native = !text.empty() && text[0] == WIDE('/');
#endif
    return drive || share || native;
}
}  // namespace

bool XFolder::IsAbsolutePathWithoutParentSteps(const CXString& path) {
    const auto& text = path.str();
    if (!StartsAbsolute(text)) {
        return false;
    }
    std::size_t partStart = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !IsSeparator(text[at])) {
            continue;
        }
        if (at - partStart == 2 && text[partStart] == WIDE('.') &&
            text[partStart + 1] == WIDE('.')) {
            return false;
        }
        partStart = at + 1;
    }
    return true;
}

void XFolder::MakeSurePathEndsWithBackslash(CXString& path) {
    const auto& text = path.str();
    if (text.empty() || (text.back() != WIDE('\\') && text.back() != WIDE('/'))) {
        path += WIDE("\\");
    }
}

bool XFolder::DoesFolderExist(const CXString& path) {
    const DWORD attributes = GetFileAttributesW(path.GetString());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool XFolder::CreateFolderAndItsAncestors(const CXString& path) {
    const auto& text = path.str();
    // Each separator after the first character ends an ancestor: create them from the top down.
    for (std::size_t at = 1; at <= text.size(); ++at) {
        if (at < text.size() && text[at] != WIDE('\\') && text[at] != WIDE('/')) {
            continue;
        }
        const CXString ancestor(text.substr(0, at));
        if (!ancestor.IsEmpty() && ancestor.str().back() != WIDE(':') &&
            !DoesFolderExist(ancestor)) {
            CreateDirectoryW(ancestor.GetString(), nullptr);
        }
    }
    return DoesFolderExist(path);
}

std::string XFolder::DisplayPath(const CXString& path) {
    std::string text = CPString(path).str();
#if !defined(_WIN32)
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
    return text;
}
