// UTF-8 text: conversion from UTF-16 and appending.
#include "CPString.h"

#include <utility>

#include "CPExceptionInvalidArgument.h"

CPString::CPString(const char* utf8Text) : text(utf8Text != nullptr ? utf8Text : "") {}

CPString::CPString(std::string utf8Text) : text(std::move(utf8Text)) {}

CPString::CPString(const CXString& wide) {
    if (wide.IsEmpty()) {
        return;
    }
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.GetString(), wide.GetLength(), nullptr,
                                           0, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_UTF8, 0, wide.GetString(), wide.GetLength(), text.data(), needed,
                        nullptr, nullptr);
}

CXString CPString::ToWide() const {
    if (text.empty()) {
        return CXString();
    }
    if (text.size() > 0x7FFFFFFFu) {
        throw CPExceptionInvalidArgument("CPString: the text is too large to convert",
                                         GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::basic_string<WCHAR> wide(static_cast<std::size_t>(needed), WCHAR());
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), needed);
    return CXString(std::move(wide));
}

SizeRawBytes32 CPString::sizeOfUtf8RawBytes() const {
    if (text.size() > 0xFFFFFFFFu) {
        throw CPExceptionInvalidArgument("CPString: the text is too large for a 32-bit byte count",
                                         GetLastError(), CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
    return SizeRawBytes32(static_cast<unsigned int>(text.size()));
}

CPString& CPString::append(const char* bytes, std::size_t count) {
    text.append(bytes, count);
    return *this;
}

CPString& CPString::operator+=(const CPString& other) {
    text += other.text;
    return *this;
}
