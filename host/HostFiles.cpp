// The host's files.
#include "HostFiles.h"

#include <fstream>

#include "JobFile.h"

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
    std::string bytes(static_cast<std::size_t>(limit) + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) {
        throw JobFileError("cannot read the " + what + " " + path.string());
    }
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    if (bytes.size() > limit) {
        throw JobFileError("the " + what + " " + path.string() + " is larger than " +
                           std::to_string(limit) + " bytes");
    }
    return bytes;
}

std::string HostFiles::FirstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
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

PendingOutput::PendingOutput(std::filesystem::path target, const std::string& what)
    : target(std::move(target)) {
    std::error_code error;
    const auto type = std::filesystem::status(this->target, error).type();
    if (type == std::filesystem::file_type::directory) {
        throw JobFileError("the " + what + " " + this->target.string() + " is a directory");
    }
    direct = type != std::filesystem::file_type::not_found &&
             type != std::filesystem::file_type::regular &&
             type != std::filesystem::file_type::none;
    temporary = this->target;
    if (!direct) {
        temporary += ".partial";
    }
    file = HostFiles::Open(temporary, true);
    if (file == nullptr) {
        throw JobFileError("cannot create the " + what + " " + this->target.string());
    }
}

PendingOutput::~PendingOutput() {
    Discard();
}

bool PendingOutput::Commit() {
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (direct) {
        return closed;
    }
    std::error_code error;
    if (closed) {
        std::filesystem::rename(temporary, target, error);
    }
    if (!closed || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

void PendingOutput::Discard() noexcept {
    if (file == nullptr) {
        return;
    }
    std::fclose(file);
    file = nullptr;
    std::error_code error;
    if (!direct) {
        std::filesystem::remove(temporary, error);
    }
}
