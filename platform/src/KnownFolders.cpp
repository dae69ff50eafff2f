// The common application data folder of the stand-in layer.
#include "cvplatform/KnownFolders.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "cvplatform/OleAutomation.h"
#include "cvplatform/StringConversion.h"

namespace {
std::mutex folderMutex;
std::string programDataFolder;
bool programDataSet = false;

std::string ProgramDataFolder() {
    const std::lock_guard<std::mutex> lock(folderMutex);
    if (programDataSet) {
        return programDataFolder;
    }
    const char* fromEnvironment = std::getenv("PROGRAMDATA");
    return fromEnvironment != nullptr ? fromEnvironment : "";
}
}  // namespace

void CvSetProgramDataFolder(const char* utf8Path) {
    const std::lock_guard<std::mutex> lock(folderMutex);
    programDataSet = utf8Path != nullptr;
    programDataFolder = utf8Path != nullptr ? utf8Path : "";
}

HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID rfid, DWORD, HANDLE, PWSTR* ppszPath) {
    if (ppszPath == nullptr) {
        return E_POINTER;
    }
    *ppszPath = nullptr;
    if (!IsEqualGUID(rfid, FOLDERID_ProgramData)) {
        return E_INVALIDARG;
    }
    std::string folder = ProgramDataFolder();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (folder.empty()) {
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, nullptr, 0);
    auto* path =
        static_cast<PWSTR>(CoTaskMemAlloc(static_cast<std::size_t>(length) * sizeof(WCHAR)));
    if (path == nullptr) {
        return E_OUTOFMEMORY;
    }
    MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, path, length);
    *ppszPath = path;
    return S_OK;
}
