// The fallback text of the message builder.
#include "ErrorMessages.h"

namespace InternalCorvoCP {

std::string formatFailureMessage(const char* failureName, const char* format) {
    std::string message =
        "There is a problem with the format string or arguments being used to build this error "
        "message! Caught exception ";
    message += failureName;
    if (format == nullptr) {
        message += "... A null format string is being used to build this error message!";
    } else {
        message += "... Here's the format string as-is: ";
        message += format;
    }
    return message;
}

}  // namespace InternalCorvoCP
