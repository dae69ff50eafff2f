// The host's files.
#include "host/job/HostFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "companion/Utilities/CXString.h"
#include "host/job/TextConversion.h"
#include "seam/Win32Seam.h"

namespace {
#if defined(_WIN32)
// Wine knows no volume of a standard handle it made from a Unix descriptor (it says 0), so a
// volume of 0 matches any.
bool SameFileId(const FILE_ID_INFO& one, const FILE_ID_INFO& other) {
    const bool sameVolume = one.VolumeSerialNumber == other.VolumeSerialNumber ||
                            one.VolumeSerialNumber == 0 || other.VolumeSerialNumber == 0;
    return sameVolume && std::memcmp(&one.FileId, &other.FileId, sizeof one.FileId) == 0;
}

bool IsStandardStream(int stream, const std::filesystem::path& path) {
    FILE_ID_INFO standard{};
    FILE_ID_INFO named{};
    const HANDLE handle = GetStdHandle(stream == 0 ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandleEx(handle, FileIdInfo, &standard, sizeof standard)) {
        return false;
    }
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool known = GetFileInformationByHandleEx(file, FileIdInfo, &named, sizeof named);
    CloseHandle(file);
    return known && SameFileId(standard, named);
}

// Both standard handles on one file on disk (a console or a pipe is never "one file" here).
bool StandardStreamsOneFile() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    FILE_ID_INFO in{};
    FILE_ID_INFO out{};
    return GetFileType(input) == FILE_TYPE_DISK && GetFileType(output) == FILE_TYPE_DISK &&
           GetFileInformationByHandleEx(input, FileIdInfo, &in, sizeof in) &&
           GetFileInformationByHandleEx(output, FileIdInfo, &out, sizeof out) &&
           SameFileId(in, out);
}
#else
bool StandardStreamsOneFile() {
    std::error_code error;
    const std::filesystem::path input = "/proc/self/fd/0";
    return std::filesystem::is_regular_file(input, error) &&
           std::filesystem::equivalent(input, "/proc/self/fd/1", error) && !error;
}

bool IsStandardStream(int stream, const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path descriptor = "/proc/self/fd/" + std::to_string(stream);
    return std::filesystem::equivalent(descriptor, path, error) && !error;
}
#endif
}  // namespace

std::FILE* HostFiles::Open(const std::filesystem::path& path, bool forWriting) {
#if defined(_WIN32)
    return _wfopen(path.c_str(), forWriting ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), forWriting ? "wb" : "rb");
#endif
}

std::string HostFiles::ReadBounded(const std::filesystem::path& path, std::uintmax_t limit,
                                   const std::string& what) {
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    if (type == std::filesystem::file_type::directory) {
        throw JobFileError("the " + what + " " + path.string() + " is a directory");
    }
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::fifo &&
        type != std::filesystem::file_type::not_found) {
        throw JobFileError("the " + what + " " + path.string() + " is not a file");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw JobFileError("cannot read the " + what + " " + path.string());
    }
    // Read in blocks: a job file is a few hundred bytes, and a buffer of the whole limit would
    // cost every run the clearing of its 16 MB.
    std::string bytes;
    char block[65536];
    while (bytes.size() <= limit && file.read(block, sizeof block).gcount() > 0) {
        bytes.append(block, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        throw JobFileError("cannot read the " + what + " " + path.string());
    }
    if (bytes.size() > limit) {
        throw JobFileError("the " + what + " " + path.string() + " is larger than " +
                           std::to_string(limit) + " bytes");
    }
    return bytes;
}

std::FILE* HostFiles::CreateNew(const std::filesystem::path& path) {
#if defined(_WIN32)
    const int descriptor =
        _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) {
        _close(descriptor);
    }
    return file;
#else
    // O_EXCL also refuses a symbolic link of that name, whatever it points to.
    return CvCreateNewPrivateFile(path.c_str());
#endif
}

void HostFiles::RefuseStandardStream(int stream, const std::filesystem::path& path,
                                     const std::string& what) {
    if (IsStandardStream(stream, path)) {
        throw JobFileError("the " + what + " " + path.string() + " is standard " +
                           (stream == 0 ? "input" : "output") +
                           ": it would be overwritten while it is read");
    }
}

void HostFiles::RefuseStandardStreamsOneFile() {
    if (StandardStreamsOneFile()) {
        throw JobFileError(
            "standard input and standard output are one file: the output would be "
            "read again as input and the input overwritten");
    }
}

std::string HostFiles::FirstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

HostFiles::PassPhraseFault HostFiles::FaultOf(const std::string& passPhrase) {
    if (!TextConversion::IsUtf8(passPhrase)) {
        return PassPhraseFault::NotUtf8;
    }
    return CXString(TextConversion::FromUtf8(passPhrase)).IsBlank() ? PassPhraseFault::Blank
                                                                    : PassPhraseFault::None;
}

void HostFiles::RefuseSameFile(const std::filesystem::path& written, const std::string& writtenWhat,
                               const std::filesystem::path& other, const std::string& otherWhat) {
    // equivalent() sees links but needs both files to exist; the canonical names compare the
    // rest (a report and an output neither of which exists yet).
    std::error_code error;
    std::error_code otherError;
    const bool same = (std::filesystem::equivalent(written, other, error) && !error) ||
                      std::filesystem::weakly_canonical(written, error) ==
                          std::filesystem::weakly_canonical(other, otherError);
    if (same && !error && !otherError) {
        throw JobFileError("the " + writtenWhat + " " + written.string() + " is the " + otherWhat +
                           " " + other.string() + ": it would be overwritten");
    }
}

void HostFiles::RefuseDirectory(const std::filesystem::path& path, const std::string& what) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw JobFileError("the " + what + " " + path.string() + " is a directory");
    }
}
