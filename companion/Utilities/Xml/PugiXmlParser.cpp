// The XML parser over pugixml (Linux build).
#include <pugixml.hpp>

#include <string>

#include "companion/Utilities/CPExceptionInvalidArgument.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"

namespace {
std::string Utf8(const CXString& text) {
    return CPString(text).str();
}

CXString Wide(const char* utf8) {
    const int length = utf8[0] == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 1) {
        return CXString();
    }
    std::basic_string<WCHAR> text(static_cast<std::size_t>(length), 0);
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), length);
    text.resize(static_cast<std::size_t>(length) - 1);
    return CXString(std::move(text));
}

class PugiXmlNode : public XmlDomNode {
  public:
    explicit PugiXmlNode(pugi::xml_node node) : node(node) {}

    std::unique_ptr<XmlDomNode> FindNamedChildElementNodeRecursive(const CXString& name,
                                                                   int depth) const override {
        const std::string wanted = Utf8(name);
        const auto found = Search(node, wanted, depth <= 0 ? -1 : depth);
        return found ? std::make_unique<PugiXmlNode>(found) : nullptr;
    }
    CXString GetTextValue() const override {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            return Wide(node.value());
        }
        std::string text;
        for (const pugi::xpath_node& part : node.select_nodes(".//text()")) {
            text += part.node().value();
        }
        return Wide(text.c_str());
    }
    CXString GetName() const override { return Wide(node.name()); }
    CXString GetAttribute(const CXString& name) const override {
        return Wide(node.attribute(Utf8(name).c_str()).value());
    }
    std::vector<std::unique_ptr<XmlDomNode>> GetChildElements() const override {
        std::vector<std::unique_ptr<XmlDomNode>> children;
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() == pugi::node_element) {
                children.push_back(std::make_unique<PugiXmlNode>(child));
            }
        }
        return children;
    }
    void AppendChild(XmlDomNode& child) override {
        auto& other = dynamic_cast<PugiXmlNode&>(child);
        if (!node.append_move(other.node)) {
            throw CPExceptionInvalidArgument("XML: a node cannot take that child", GetLastError(),
                                             CV_DEBUG_CONTEXT(kLibraryCategoryMask));
        }
    }

  private:
    // Document order without recursion, so that no depth of nesting can exhaust the stack: down
    // to a first child, else on to the next sibling, else up to the nearest ancestor that has one.
    // `levels` below 0 means any depth; 1 looks at the children only.
    static pugi::xml_node Search(pugi::xml_node from, const std::string& name, int levels) {
        int level = 1;
        for (pugi::xml_node current = from.first_child(); current;) {
            if (current.type() == pugi::node_element) {
                if (name == current.name()) {
                    return current;
                }
                if ((levels < 0 || level < levels) && current.first_child()) {
                    current = current.first_child();
                    ++level;
                    continue;
                }
            }
            while (!current.next_sibling()) {
                current = current.parent();
                if (--level == 0) {
                    return {};
                }
            }
            current = current.next_sibling();
        }
        return {};
    }

    pugi::xml_node node;
};

class Writer : public pugi::xml_writer {
  public:
    explicit Writer(XmlOutputCallback& callback) : callback(callback) {}
    void write(const void* data, size_t size) override {
        callback.HandleOutput(static_cast<unsigned char*>(const_cast<void*>(data)),
                              static_cast<unsigned long>(size));
    }

  private:
    XmlOutputCallback& callback;
};

class PugiXmlParser : public CorvoXmlParser {
  public:
    PugiXmlParser(std::string name, bool preserveWhiteSpace)
        : name(std::move(name)), preserveWhiteSpace(preserveWhiteSpace) {}

    void LoadFromBytes(const BYTE* bytes, DWORD count) override {
        const unsigned options = pugi::parse_default | pugi::parse_declaration |
                                 pugi::parse_doctype |
                                 (preserveWhiteSpace ? pugi::parse_ws_pcdata : 0);
        const pugi::xml_parse_result result =
            document.load_buffer(bytes, count, options, pugi::encoding_auto);
        if (!result) {
            Refuse(std::string("the document is not well-formed: ") + result.description());
        }
        for (const pugi::xml_node& child : document.children()) {
            if (child.type() == pugi::node_doctype) {
                document.reset();
                Refuse("a document type declaration is not accepted");
            }
        }
    }
    void LoadFromUtf8Text(const CPString& text) override {
        LoadFromBytes(reinterpret_cast<const BYTE*>(text.utf8RawBytes()),
                      text.sizeOfUtf8RawBytes());
    }
    std::unique_ptr<XmlDomNode> GetDocumentElement() override {
        const pugi::xml_node root = document.document_element();
        return root ? std::make_unique<PugiXmlNode>(root) : nullptr;
    }
    // New nodes wait as children of the document until they are appended where they belong.
    std::unique_ptr<XmlDomNode> CreateElement(const CXString& elementName) override {
        pugi::xml_node element = document.append_child(pugi::node_element);
        element.set_name(Utf8(elementName).c_str());
        return std::make_unique<PugiXmlNode>(element);
    }
    std::unique_ptr<XmlDomNode> CreateTextNode(const CXString& value) override {
        pugi::xml_node text = document.append_child(pugi::node_pcdata);
        text.set_value(Utf8(value).c_str());
        return std::make_unique<PugiXmlNode>(text);
    }
    void SaveToCallback(XmlOutputCallback& callback) override {
        Writer writer(callback);
        document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    }

  private:
    [[noreturn]] void Refuse(const std::string& why) const {
        throw CPExceptionInvalidArgument("XML parser " + name + ": " + why, GetLastError(),
                                         CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }

    std::string name;
    bool preserveWhiteSpace;
    pugi::xml_document document;
};
}  // namespace

std::unique_ptr<CorvoXmlParser> UtilitiesLibraryHost::CreateMicrosoftXmlParser(
    const char* name, bool preserveWhiteSpace) {
    return std::make_unique<PugiXmlParser>(name != nullptr ? name : "", preserveWhiteSpace);
}
