// An XML document: loaded from bytes or text, or built from elements and text nodes, and
// serialised as UTF-8. Documents are untrusted input: a document type declaration is refused, so
// no entity is ever expanded and nothing outside the document is read.
#pragma once

#include <memory>

#include "CPString.h"
#include "XmlDomNode.h"
#include "XmlOutputCallback.h"

class CorvoXmlParser {
  public:
    virtual ~CorvoXmlParser() = default;

    // Throws a CPException when the bytes are not a well-formed document without DTD.
    virtual void LoadFromBytes(const BYTE* bytes, DWORD count) = 0;
    virtual void LoadFromUtf8Text(const CPString& text) = 0;
    // The root element; null before a document was loaded.
    virtual std::unique_ptr<XmlDomNode> GetDocumentElement() = 0;
    virtual std::unique_ptr<XmlDomNode> CreateElement(const CXString& name) = 0;
    // A text node: whatever markup characters the value holds are escaped when serialised.
    virtual std::unique_ptr<XmlDomNode> CreateTextNode(const CXString& value) = 0;
    // Serialises the document as UTF-8, with its declaration, into the callback.
    virtual void SaveToCallback(XmlOutputCallback& callback) = 0;
};
