// Where a failure was raised: source file, line, function and category mask, carried by every
// exception of the CPException family for diagnostics.
#pragma once

#include <cstdint>
#include <string>

struct DebugContextReference {
    std::string sourceFile;
    std::uint32_t sourceLine = 0;
    std::string functionName;
    std::uint64_t categoryMask = 0;
    std::uint64_t extra = 0;
};

// Category mask of the companion libraries' own raise sites.
inline constexpr std::uint64_t kLibraryCategoryMask = 0x1;

#define CV_DEBUG_CONTEXT(mask) \
    (DebugContextReference{__FILE__, static_cast<std::uint32_t>(__LINE__), __func__, (mask), 0})
