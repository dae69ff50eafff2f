// Path conversion of the stand-in layer.
#include "NativePath.h"

#include "cvplatform/StringConversion.h"

std::string NativePathOf(LPCWSTR path) {
    if (path == nullptr || path[0] == 0) {
        return {};
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    std::string native(bytes > 0 ? static_cast<std::size_t>(bytes) - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, path, -1, native.data(), bytes, nullptr, nullptr);
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    return native;
}
