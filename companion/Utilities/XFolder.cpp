// Folder creation.
#include "XFolder.h"

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
