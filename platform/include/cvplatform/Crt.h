// The Microsoft runtime library's legacy _snprintf, for the Linux build: it answers -1 when the
// output does not fit, and when it fits exactly it fills the buffer without a terminator.
#pragma once

#include <cstddef>

#include "cvplatform/PlatformApi.h"

CVPLATFORM_API int _snprintf(char* buffer, std::size_t count, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
