// Root of the exception family in which every failure of the filter travels, with the thread's
// last OS error and the debug context of the raise site.
#pragma once

#include <exception>
#include <string>

#include "DebugContextReference.h"
#include "seam/Win32Seam.h"

class CPException : public std::exception {
  public:
    CPException(std::string message, DWORD lastError, DebugContextReference debugContext);
    ~CPException() override;

    static constexpr const char* kTypeName = "CPException";

    virtual const char* getExceptionType() const noexcept;
    // One line for a diagnostic log: kind, message, last OS error and where it was raised.
    std::string getLogString() const;

    const std::string& getMessage() const noexcept { return message; }
    DWORD getLastErrorCode() const noexcept { return lastError; }
    const DebugContextReference& getDebugContext() const noexcept { return debugContext; }
    const char* what() const noexcept override { return message.c_str(); }

    // Asked before every throw: true only when a debugger is attached and the environment
    // variable CV_BREAK_ON_EXCEPTION is "1", so that a developer can stop at the raise site.
    static bool allowForExceptionDebug(const char* exceptionType, const std::string& message,
                                       DWORD lastError, const DebugContextReference& debugContext);
    // Breaks into the attached debugger; does nothing when none is attached.
    static void SafeDebugBreak();

  private:
    std::string message;
    DWORD lastError;
    DebugContextReference debugContext;
};
