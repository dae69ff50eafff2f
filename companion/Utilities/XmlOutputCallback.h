// Receives a serialised XML document in pieces.
#pragma once

class XmlOutputCallback {
  public:
    // Legibility of the serialised text: 0 leaves it as the serialiser writes it.
    enum EnhanceXmlLegibilityEnum { NoLegibilityEnhancement = 0, EnhanceLegibility = 1 };

    virtual ~XmlOutputCallback() = default;
    virtual void HandleOutput(unsigned char* const bytes, unsigned long count) = 0;
    virtual void DoProcessingAtEndOfXmlOutput() = 0;
};
