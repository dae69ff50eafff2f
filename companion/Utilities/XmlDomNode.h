// A node of a parsed or built XML document (element or text), whichever XML library holds it.
#pragma once

#include <memory>
#include <vector>

#include "CXString.h"

class XmlDomNode {
  public:
    virtual ~XmlDomNode() = default;

    // The first element named `name` below this node, searched in document order at any depth
    // (`depth` 0: no limit); null when there is none.
    virtual std::unique_ptr<XmlDomNode> FindNamedChildElementNodeRecursive(const CXString& name,
                                                                           int depth) const = 0;
    // The text the node holds (for an element: all its text, concatenated).
    virtual CXString GetTextValue() const = 0;
    virtual CXString GetName() const = 0;
    // The value of an element's attribute; empty when it has none of that name.
    virtual CXString GetAttribute(const CXString& name) const = 0;
    virtual std::vector<std::unique_ptr<XmlDomNode>> GetChildElements() const = 0;
    // Moves `child` (made by the same document) to the end of this node's children.
    virtual void AppendChild(XmlDomNode& child) = 0;
};
