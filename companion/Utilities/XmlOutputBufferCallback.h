// Collects a serialised XML document in a ByteBuffer, byte for byte.
#pragma once

#include "ByteBuffer.h"
#include "XmlOutputCallback.h"

class XmlOutputBufferCallback : public XmlOutputCallback {
  public:
    XmlOutputBufferCallback(ByteBuffer& buffer, EnhanceXmlLegibilityEnum legibility);

    void HandleOutput(unsigned char* const bytes, unsigned long count) override;
    void DoProcessingAtEndOfXmlOutput() override {}

  private:
    ByteBuffer& buffer;
};
