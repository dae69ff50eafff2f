// ANSI ticket bytes to PJL-safe UTF-8.
#include "XmlOutputEscapedQcptUtf8StringCallback.h"

#include <string>

XmlOutputEscapedQcptUtf8StringCallback::XmlOutputEscapedQcptUtf8StringCallback(
    CPString& target, EnhanceXmlLegibilityEnum)
    : target(target) {}

void XmlOutputEscapedQcptUtf8StringCallback::HandleOutput(unsigned char* const bytes,
                                                          unsigned long count) {
    if (count == 0) {
        return;
    }
    std::string ansi(reinterpret_cast<const char*>(bytes), count);
    for (char& c : ansi) {
        c = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    const CXString wide(ansi.c_str());
    target += CPString(wide);
}
