// SIGTERM and SIGINT as a request handed to a thread, the private secret file of a print
// service, and its administrators' socket.
#include "cvplatform/PrintService.h"

#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <thread>

#include "ErrorTranslation.h"
#include "cvplatform/ErrorHandling.h"
#include "cvplatform/FileSystem.h"
#include "cvplatform/Spooler.h"

namespace {
std::atomic<bool> terminationTaken{false};

sigset_t TerminationSignals() {
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    sigaddset(&termination, SIGINT);
    return termination;
}
}  // namespace

BOOL CvCallOnTerminationRequest(void (*callback)(void*), void* context) {
    const sigset_t termination = TerminationSignals();
    if (pthread_sigmask(SIG_BLOCK, &termination, nullptr) != 0) {
        return FALSE;
    }
    try {
        // The thread waits for the signal synchronously, so the callback may do anything a thread
        // may do; a handler could only set a flag.
        std::thread([termination, callback, context] {
            for (;;) {
                int signal = 0;
                if (sigwait(&termination, &signal) == 0) {
                    terminationTaken.store(true);
                    callback(context);
                }
            }
        }).detach();
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL CvTerminationRequested() {
    if (terminationTaken.load()) {
        return TRUE;
    }
    sigset_t pending;
    if (sigpending(&pending) != 0) {
        return FALSE;
    }
    return sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGINT) == 1 ? TRUE : FALSE;
}

namespace {
// Why the file's permissions let others than the print service read it; nullptr when they do not.
const char* WhyNotPrivate(const struct stat& status, const char* group) {
    if ((status.st_mode & S_IRWXO) != 0) {
        return "others may access it";
    }
    if ((status.st_mode & S_IRWXG) == 0 || status.st_gid == 0) {
        return nullptr;
    }
    const struct group* serviceGroup = group != nullptr ? getgrnam(group) : nullptr;
    if (serviceGroup == nullptr || serviceGroup->gr_gid != status.st_gid) {
        return "its group is neither root's nor the print service's";
    }
    return nullptr;
}

// A file's size as a DWORD counts it, the largest count for any larger.
DWORD SizeOf(off_t size) {
    constexpr DWORD kMost = std::numeric_limits<DWORD>::max();
    return static_cast<unsigned long long>(size) > kMost ? kMost : static_cast<DWORD>(size);
}

// Up to `room` bytes, whatever counts the reads come back with; ERROR_FILE_TOO_LARGE when the file
// holds more by now (it grew after its size was taken), rather than a part of it.
DWORD ReadAll(int file, char* buffer, DWORD room, DWORD* read) {
    for (;;) {
        char probe = 0;
        char* into = *read < room ? buffer + *read : &probe;
        const ssize_t count = ::read(file, into, *read < room ? room - *read : 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return Win32ErrorOfErrno(errno);
        }
        if (count == 0) {
            return ERROR_SUCCESS;
        }
        if (into == &probe) {
            return ERROR_FILE_TOO_LARGE;
        }
        *read += static_cast<DWORD>(count);
    }
}
}  // namespace

DWORD CvReadPrivateFile(const char* path, const char* group, char* buffer, DWORD room, DWORD* read,
                        char* reason, DWORD reasonRoom) {
    if (path == nullptr || (buffer == nullptr && room != 0) || read == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *read = 0;
    const int file = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return errno == ELOOP ? ERROR_BAD_FILE_TYPE : Win32ErrorOfErrno(errno);
    }
    // The checks look at the file that is read, not at whatever the path names by then.
    struct stat status {};
    DWORD result = ERROR_SUCCESS;
    if (fstat(file, &status) != 0) {
        result = Win32ErrorOfErrno(errno);
    } else if (!S_ISREG(status.st_mode)) {
        result = ERROR_BAD_FILE_TYPE;
    } else if (const char* why = WhyNotPrivate(status, group)) {
        if (reason != nullptr && reasonRoom > 0) {
            std::snprintf(reason, reasonRoom, "%s", why);
        }
        result = ERROR_ACCESS_DENIED;
    } else if (static_cast<unsigned long long>(status.st_size) > room) {
        result = ERROR_FILE_TOO_LARGE;
        *read = SizeOf(status.st_size);
    } else if ((result = ReadAll(file, buffer, room, read)) == ERROR_FILE_TOO_LARGE) {
        // It grew as it was read: the size it has now, and at least one byte more than the room.
        *read = fstat(file, &status) == 0 && SizeOf(status.st_size) > room ? SizeOf(status.st_size)
                                                                           : room + 1;
    }
    close(file);
    return result;
}

DWORD CvRestrictSocket(const char* path, const char* group) {
    if (path == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    struct stat status {};
    if (lstat(path, &status) != 0) {
        return Win32ErrorOfErrno(errno);
    }
    if (!S_ISSOCK(status.st_mode)) {
        return ERROR_BAD_FILE_TYPE;
    }
    if (group == nullptr) {
        return chmod(path, S_IRWXU) == 0 ? ERROR_SUCCESS : Win32ErrorOfErrno(errno);
    }
    const struct group* administrators = getgrnam(group);
    if (administrators == nullptr) {
        return ERROR_NOT_FOUND;
    }
    // The group first: until then the old group must not gain access.
    if (chmod(path, S_IRWXU) != 0 ||
        lchown(path, static_cast<uid_t>(-1), administrators->gr_gid) != 0 ||
        chmod(path, S_IRWXU | S_IRWXG) != 0) {
        return Win32ErrorOfErrno(errno);
    }
    return ERROR_SUCCESS;
}
