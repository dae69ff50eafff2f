// The request is handled on a thread of its own (the platform's for SIGTERM and SIGINT, the
// console's for Ctrl-C on Windows), which may wait and then end the process.
#include "host/pipeline/TerminationWatch.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "host/job/PendingOutput.h"
#include "seam/Win32Seam.h"

namespace {
struct Watch {
    JobCancellation* cancellation = nullptr;
    std::string message;
    std::mutex lock;
    std::condition_variable over;
    bool operationOver = false;
};

// Never destroyed: the watching thread may still use it while exit() runs the destructors of
// everything static.
Watch& TheWatch() {
    static Watch* const watch = new Watch;
    return *watch;
}

[[noreturn]] void Stop(Watch& watch, bool operationOver) {
    if (!operationOver) {
        std::fputs(watch.message.c_str(), stderr);
        std::fflush(stderr);
    }
    PendingOutput::RemoveEveryTemporary();
    std::_Exit(TerminationWatch::kStoppedExitCode);
}

void OnRequest(void*) {
    Watch& watch = TheWatch();
    if (watch.cancellation == nullptr) {
        Stop(watch, false);
    }
    watch.cancellation->Cancel();
    bool ended = false;
    {
        std::unique_lock<std::mutex> lock(watch.lock);
        ended = watch.over.wait_for(lock, TerminationWatch::kOperationGrace,
                                    [&] { return watch.operationOver; });
    }
    if (ended) {
        std::this_thread::sleep_for(TerminationWatch::kExitGrace);
    }
    Stop(watch, ended);
}

#if defined(_WIN32)
std::atomic<bool> consoleRequest{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    consoleRequest.store(true);
    OnRequest(nullptr);
    return TRUE;
}
#endif
}  // namespace

bool TerminationWatch::Install(JobCancellation* cancellation, std::string message) {
    Watch& watch = TheWatch();
    watch.cancellation = cancellation;
    watch.message = std::move(message);
#if defined(_WIN32)
    return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != FALSE;
#else
    return CvCallOnTerminationRequest(OnRequest, nullptr) != FALSE;
#endif
}

void TerminationWatch::OperationOver() noexcept {
    Watch& watch = TheWatch();
    {
        const std::lock_guard<std::mutex> lock(watch.lock);
        watch.operationOver = true;
    }
    watch.over.notify_all();
}

bool TerminationWatch::Requested() noexcept {
#if defined(_WIN32)
    return consoleRequest.load();
#else
    return CvTerminationRequested() != FALSE;
#endif
}
