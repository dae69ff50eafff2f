// Builders of error messages. buildErrorMessage never fails and never disturbs the thread's last
// error: a format that does not match its arguments gives a text that says so and shows the
// format as it is. formatMessage formats plainly and lets the formatter's exceptions through.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <typeinfo>

#include "FormatWorker.h"
#include "companion/Utilities/CPException.h"
#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/LastErrorPreserver.h"

namespace InternalCorvoCP {

// The fallback text: the failure's name and the format as it is (or word of a null format).
std::string formatFailureMessage(const char* failureName, const char* format);

}  // namespace InternalCorvoCP

template <typename... Args>
std::string buildErrorMessage(const char* format, const Args&... args) noexcept {
    const LastErrorPreserver preserved;
    if (format == nullptr) {
        return InternalCorvoCP::formatFailureMessage(CPExceptionInvalidArgument::kTypeName,
                                                     nullptr);
    }
    try {
        InternalCorvoCP::MessageBuffer buffer;
        InternalCorvoCP::formatWorker(buffer, format, args...);
        return buffer.getText();
    } catch (const CPException& failure) {
        return InternalCorvoCP::formatFailureMessage(failure.getExceptionType(), format);
    } catch (const std::bad_alloc& failure) {
        return InternalCorvoCP::formatFailureMessage(typeid(failure).name(), format);
    } catch (const std::exception& failure) {
        return InternalCorvoCP::formatFailureMessage(typeid(failure).name(), format);
    } catch (...) {
        return InternalCorvoCP::formatFailureMessage("<unknown>", format);
    }
}

template <typename... Args>
CPString formatMessage(const char* format, const Args&... args) {
    InternalCorvoCP::MessageBuffer buffer;
    InternalCorvoCP::formatWorker(buffer, format, args...);
    return CPString(buffer.getText());
}
