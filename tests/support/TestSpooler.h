// Print queues for tests: the in-process spooler of the Linux stand-in, or real queues of the
// Windows spooler (under Wine, with its PostScript driver) on the Windows build.
#pragma once

#include "companion/Utilities/CXString.h"

struct TestJob {
    DWORD id = 0;
    // The user name the spooler gives the job.
    CXString userName;
};

class TestSpooler {
  public:
    // A queue of its own for each call, so tests never share printer data.
    static CXString NewPrinter(const CXString& separatorFile = CXString());
    static void SetPrinterDataDword(const CXString& printer, const CXString& valueName,
                                    DWORD value);
    // An open handle on the queue, as the pipeline hands one to a filter.
    static HANDLE Open(const CXString& printer);
    // A job on the queue that stays in the spooler until the handle it was made on is closed.
    static TestJob NewJob(const CXString& printer, HANDLE handle, const CXString& documentName);
};

// A token of the test's user that a thread can impersonate with, and the SAM-compatible name that
// GetUserNameExW gives while it does.
class TestUserToken {
  public:
    TestUserToken();
    ~TestUserToken();
    TestUserToken(const TestUserToken&) = delete;
    TestUserToken& operator=(const TestUserToken&) = delete;

    HANDLE Handle() const { return handle; }
    const CXString& SamCompatibleName() const { return samCompatibleName; }

  private:
    HANDLE handle = nullptr;
    CXString samCompatibleName;
};
