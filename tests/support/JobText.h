// The PJL texts every job stream test meets: the UEL, the closing sequence a driver ends its job
// with, and the trailer the filter puts in its place; and a binary literal as the bytes it holds.
#pragma once

#include <cstddef>
#include <string>

// A literal's bytes, embedded NULs included, without its terminator.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

inline const std::string kUel = "\x1b%-12345X";
inline const std::string kTrailer = kUel + "@PJL EOJ\r\n" + kUel;
inline const std::string kClosing = kUel + kUel + "@PJL EOJ\r\n" + kUel;
