// The Microsoft runtime library's legacy _snprintf, for the Linux build: it answers -1 when the
// output does not fit, and when it fits exactly it fills the buffer without a terminator.
#pragma once

#include <cstddef>

#include "cvplatform/PlatformApi.h"

CVPLATFORM_API int _snprintf(char* buffer, std::size_t count, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Opens /dev/null on each of the standard descriptors 0, 1 and 2 that is closed, so that no file a
// program opens later takes one of them (and a diagnostic for standard error lands in it). Bit n
// of the result is set when descriptor n was closed. For the Linux build's programs.
CVPLATFORM_API unsigned CvOpenClosedStandardDescriptors();
