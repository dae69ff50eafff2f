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
