// The print service's administrators' socket: a path that is no socket, or a group that does not
// exist, leaves the path as it was and says why. A termination request is seen while it still
// waits to be taken. A private file tells its size to a reader whose room is too small.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cvplatform/FileSystem.h"
#include "cvplatform/PrintService.h"
#include "cvplatform/Spooler.h"
#include "tests/support/TestFolders.h"

namespace {
namespace fs = std::filesystem;

TEST(RestrictSocket, WhatIsNoSocketIsRefusedAndLeftAsItWas) {
    const fs::path folder = ScratchFolder("cv-restrict-socket");
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "not-a-socket";
    std::ofstream(file) << "x";
    fs::permissions(file, fs::perms::all);
    struct Case {
        const char* label;
        std::string path;
        const char* group;
        DWORD result;
    };
    const Case cases[] = {
        {"a regular file", file.string(), nullptr, ERROR_BAD_FILE_TYPE},
        {"a regular file, with a group", file.string(), "root", ERROR_BAD_FILE_TYPE},
        {"a folder", folder.string(), nullptr, ERROR_BAD_FILE_TYPE},
        {"nothing there", (folder / "gone.sock").string(), nullptr, ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, CvRestrictSocket(c.path.c_str(), c.group)) << c.label;
    }
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CvRestrictSocket(nullptr, nullptr));
    EXPECT_EQ(fs::perms::all, fs::status(file).permissions() & fs::perms::mask);
    fs::remove_all(folder);
}
TEST(ReadPrivateFile, ARoomTooSmallGivesTheFilesSizeForABufferOfIt) {
    const fs::path file = ScratchFolder("cv-read-private") / "settings";
    std::ofstream(file) << "twelve bytes";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    struct Case {
        const char* label;
        DWORD room;
        DWORD result;
        DWORD read;
    } const cases[] = {
        {.label = "no buffer, to ask", .room = 0, .result = ERROR_FILE_TOO_LARGE, .read = 12},
        {.label = "one byte short", .room = 11, .result = ERROR_FILE_TOO_LARGE, .read = 12},
        {.label = "the file's size", .room = 12, .result = ERROR_SUCCESS, .read = 12},
        {.label = "more than its size", .room = 64, .result = ERROR_SUCCESS, .read = 12},
    };
    for (const Case& c : cases) {
        std::string buffer(c.room, '\0');
        DWORD read = 0;
        char reason[64] = {};
        EXPECT_EQ(c.result,
                  CvReadPrivateFile(file.c_str(), nullptr, c.room == 0 ? nullptr : buffer.data(),
                                    c.room, &read, reason, sizeof reason))
            << c.label;
        EXPECT_EQ(c.read, read) << c.label;
        if (c.result == ERROR_SUCCESS) {
            EXPECT_EQ("twelve bytes", buffer.substr(0, read)) << c.label;
        }
    }
    DWORD read = 0;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              CvReadPrivateFile(file.c_str(), nullptr, nullptr, 4, &read, nullptr, 0));
}

// The watching thread is not started here: the signals are blocked, so a raised one stays pending
// and is taken back with sigtimedwait.
TEST(TerminationRequested, ASignalThatWaitsToBeTakenIsARequest) {
    for (const int signal : {SIGTERM, SIGINT}) {
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal);
        sigset_t before;
        ASSERT_EQ(0, pthread_sigmask(SIG_BLOCK, &one, &before));
        EXPECT_EQ(FALSE, CvTerminationRequested()) << signal << ": nothing raised yet";
        ASSERT_EQ(0, raise(signal));
        EXPECT_EQ(TRUE, CvTerminationRequested()) << signal << ": raised, not yet taken";
        const timespec none{0, 0};
        EXPECT_EQ(signal, sigtimedwait(&one, nullptr, &none)) << signal;
        EXPECT_EQ(FALSE, CvTerminationRequested()) << signal << ": taken by another than the watch";
        ASSERT_EQ(0, pthread_sigmask(SIG_SETMASK, &before, nullptr));
    }
}
}  // namespace
