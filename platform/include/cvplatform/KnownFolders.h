// The common application data folder for the Linux build. There is no such folder on Linux: the
// host names one (CvSetProgramDataFolder), else the environment variable PROGRAMDATA does; with
// neither, the lookup fails as a missing folder does on Windows.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

using KNOWNFOLDERID = GUID;
using REFKNOWNFOLDERID = const KNOWNFOLDERID&;
using PWSTR = WCHAR*;

inline constexpr KNOWNFOLDERID FOLDERID_ProgramData = {
    0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};

// The path (freed with CoTaskMemFree) of FOLDERID_ProgramData; other folders are not served
// (E_INVALIDARG), and an unset one gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
CVPLATFORM_API HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID rfid, DWORD dwFlags, HANDLE hToken,
                                            PWSTR* ppszPath);
// Sets (or with null clears) the folder that stands for FOLDERID_ProgramData, as a native path.
CVPLATFORM_API void CvSetProgramDataFolder(const char* utf8Path);
