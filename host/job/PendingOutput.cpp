// Outputs that appear only complete: a temporary file beside the target, renamed into place.
#include "host/job/PendingOutput.h"

#include <cerrno>
#include <mutex>
#include <random>
#include <set>

#include "host/job/HostFiles.h"
#include "host/job/JobFileError.h"
#include "seam/Win32Seam.h"

namespace {
// The temporary files of the outputs still pending, for a program that is stopped. Never
// destroyed: a stop request's thread may remove them while exit() runs the static destructors.
std::mutex& TemporariesLock() {
    static std::mutex* const lock = new std::mutex;
    return *lock;
}
std::set<std::filesystem::path>& Temporaries() {
    static auto* const temporaries = new std::set<std::filesystem::path>;
    return *temporaries;
}

std::string RandomTag() {
    std::random_device random;
    char tag[9];
    std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
    return tag;
}

// Where a rename over an existing file makes the file system write the whole output out first
// (ext4), the stand-in replaces it without that; names stay the file system's own bytes.
bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) {
#if defined(_WIN32)
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    return CvReplaceFile(from.c_str(), to.c_str()) == ERROR_SUCCESS;
#endif
}
}  // namespace

PendingOutput::PendingOutput(std::filesystem::path target, const std::string& what, bool ownerOnly)
    : target(std::move(target)), ownerOnly(ownerOnly) {
    std::error_code error;
    // An output named by a symbolic link is written through it: the file it names gets the job,
    // and the link stays, as it would for a shell's redirection.
    if (std::filesystem::is_symlink(this->target, error)) {
        const std::filesystem::path named = std::filesystem::weakly_canonical(this->target, error);
        if (!error) {
            this->target = named;
        }
    }
    const auto type = std::filesystem::status(this->target, error).type();
    if (type == std::filesystem::file_type::directory) {
        throw JobFileError("the " + what + " " + this->target.string() + " is a directory");
    }
    direct = type != std::filesystem::file_type::not_found &&
             type != std::filesystem::file_type::regular &&
             type != std::filesystem::file_type::none;
    if (direct) {
        file = HostFiles::Open(this->target, true);
    } else {
        CreateTemporary();
    }
    if (file == nullptr) {
        throw JobFileError("cannot create the " + what + " " + this->target.string());
    }
}

// A name that is taken is somebody's file: another name is tried, and the file is never opened.
void PendingOutput::CreateTemporary() {
    const std::lock_guard<std::mutex> lock(TemporariesLock());
    for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
        temporary = this->target;
        temporary += "." + RandomTag() + ".partial";
        file = HostFiles::CreateNew(temporary);
        if (file == nullptr && errno != EEXIST) {
            return;
        }
    }
    if (file != nullptr) {
        Temporaries().insert(temporary);
    }
}

void PendingOutput::Forget(bool remove) noexcept {
    const std::lock_guard<std::mutex> lock(TemporariesLock());
    Temporaries().erase(temporary);
    std::error_code error;
    if (remove) {
        std::filesystem::remove(temporary, error);
    }
}

void PendingOutput::RemoveEveryTemporary() noexcept {
    const std::lock_guard<std::mutex> lock(TemporariesLock());
    for (const std::filesystem::path& temporary : Temporaries()) {
        std::error_code error;
        std::filesystem::remove(temporary, error);
    }
    Temporaries().clear();
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
    GiveFinalMode();
    const bool moved = closed && Replace(temporary, target);
    Forget(!moved);
    return moved;
}

void PendingOutput::GiveFinalMode() const noexcept {
    std::error_code error;
    const std::filesystem::file_status replaced = std::filesystem::status(target, error);
    if (!error && replaced.type() == std::filesystem::file_type::regular) {
        std::filesystem::permissions(temporary, replaced.permissions(), error);
        return;
    }
#if !defined(_WIN32)
    if (!ownerOnly) {
        std::filesystem::permissions(
            temporary, static_cast<std::filesystem::perms>(CvDefaultFileMode()), error);
    }
#endif
}

void PendingOutput::Discard() noexcept {
    if (file == nullptr) {
        return;
    }
    std::fclose(file);
    file = nullptr;
    if (!direct) {
        Forget(true);
    }
}
