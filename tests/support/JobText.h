// The PJL texts every job stream test meets: the UEL, the closing sequence a driver ends its job
// with, and the trailer the filter puts in its place.
#pragma once

#include <string>

inline const std::string kUel = "\x1b%-12345X";
inline const std::string kTrailer = kUel + "@PJL EOJ\r\n" + kUel;
inline const std::string kClosing = kUel + kUel + "@PJL EOJ\r\n" + kUel;
