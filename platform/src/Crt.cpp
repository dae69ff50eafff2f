// _snprintf over vsnprintf, and the standard descriptors of a program.
#include "cvplatform/Crt.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

int _snprintf(char* buffer, std::size_t count, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int needed = std::vsnprintf(buffer, buffer != nullptr ? count : 0, format, arguments);
    va_end(arguments);
    int result = needed;
    if (needed >= 0 && buffer != nullptr && static_cast<std::size_t>(needed) >= count) {
        // vsnprintf kept the last byte for its terminator; the legacy contract wants the bytes.
        std::string whole(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(whole.data(), whole.size(), format, again);
        std::memcpy(buffer, whole.data(), count);
        result = static_cast<std::size_t>(needed) == count ? needed : -1;
    }
    va_end(again);
    return result;
}

unsigned CvOpenClosedStandardDescriptors() {
    unsigned closed = 0;
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        closed |= 1u << descriptor;
        const int opened = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != descriptor) {
            dup2(opened, descriptor);
            close(opened);
        }
    }
    return closed;
}
