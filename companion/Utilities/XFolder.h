// Folder paths in Windows form (backslash separated).
#pragma once

#include "CXString.h"

class XFolder {
  public:
    static void MakeSurePathEndsWithBackslash(CXString& path);
    // Creates the folder and every missing folder above it; true when the folder exists after.
    static bool CreateFolderAndItsAncestors(const CXString& path);
    static bool DoesFolderExist(const CXString& path);
};
