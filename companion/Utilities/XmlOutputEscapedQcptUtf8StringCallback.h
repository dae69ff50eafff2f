// Turns a QCPT ticket given as ANSI bytes into UTF-8 text that can stand between two PJL lines:
// every byte below 0x20 (CR, LF and TAB included) becomes a space, so the ticket can never end a
// PJL line early or start a new command; everything else is converted to UTF-8 unchanged.
#pragma once

#include "CPString.h"
#include "XmlOutputCallback.h"

class XmlOutputEscapedQcptUtf8StringCallback : public XmlOutputCallback {
  public:
    XmlOutputEscapedQcptUtf8StringCallback(CPString& target, EnhanceXmlLegibilityEnum legibility);

    void HandleOutput(unsigned char* const bytes, unsigned long count) override;
    void DoProcessingAtEndOfXmlOutput() override {}

  private:
    CPString& target;
};
