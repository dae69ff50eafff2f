// Folder paths in Windows form (backslash separated).
#pragma once

#include <string>

#include "CXString.h"

class XFolder {
  public:
    static void MakeSurePathEndsWithBackslash(CXString& path);
    // Creates the folder and every missing folder above it; true when the folder exists after.
    static bool CreateFolderAndItsAncestors(const CXString& path);
    static bool DoesFolderExist(const CXString& path);
    // True for a path that names the same place whatever the current folder: a drive and its root
    // (C:\...) or a UNC share (\\server\share...), or on the Linux build a path from "/"; and
    // none of its parts is "..".
    static bool IsAbsolutePathWithoutParentSteps(const CXString& path);
    // The path in UTF-8 as the system names it, for messages: on the Linux build, where the
    // stand-in layer takes a backslash for a separator, each becomes a slash.
    static std::string DisplayPath(const CXString& path);
};
