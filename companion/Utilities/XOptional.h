// The utility library's optional value.
#pragma once

#include <optional>

template <typename T>
using XOptional = std::optional<T>;
