// XML output into a ByteBuffer.
#include "XmlOutputBufferCallback.h"

XmlOutputBufferCallback::XmlOutputBufferCallback(ByteBuffer& buffer, EnhanceXmlLegibilityEnum)
    : buffer(buffer) {}

void XmlOutputBufferCallback::HandleOutput(unsigned char* const bytes, unsigned long count) {
    buffer.append(bytes, count);
}
