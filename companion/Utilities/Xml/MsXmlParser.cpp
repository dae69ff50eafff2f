// The XML parser over MSXML6 (DOMDocument60, COM), Windows build. The calling thread must have
// COM initialised (MsSafeCoInit).
#include <string>

#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/ComReference.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"

namespace {
constexpr CLSID kDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr IID kXmlDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

void Check(HRESULT result, const std::string& what) {
    if (FAILED(result)) {
        throw CPComException("MSXML: " + what, GetLastError(),
                             CV_DEBUG_CONTEXT(kLibraryCategoryMask), result);
    }
}

class Bstr {
  public:
    explicit Bstr(const CXString& text)
        : value(SysAllocStringLen(text.GetString(), static_cast<UINT>(text.GetLength()))) {
        if (value == nullptr) {
            Check(E_OUTOFMEMORY, "a text");
        }
    }
    Bstr() = default;
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* Out() { return &value; }
    operator BSTR() const { return value; }  // NOLINT
    CXString Text() const { return CXString(value, static_cast<int>(SysStringLen(value))); }

  private:
    BSTR value = nullptr;
};

template <typename Interface>
ComReference<Interface> Adopted(Interface* pointer) {
    return ComReference<Interface>::Adopt(pointer);
}

class MsXmlNode : public XmlDomNode {
  public:
    explicit MsXmlNode(ComReference<IXMLDOMNode> node) : node(std::move(node)) {}

    std::unique_ptr<XmlDomNode> FindNamedChildElementNodeRecursive(const CXString& name,
                                                                   int) const override {
        IXMLDOMElement* element = nullptr;
        if (FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(&element)))) {
            return nullptr;
        }
        const auto owned = Adopted(element);
        IXMLDOMNodeList* list = nullptr;
        Check(owned->getElementsByTagName(Bstr(name), &list), "a search by name");
        const auto matches = Adopted(list);
        IXMLDOMNode* first = nullptr;
        if (matches->get_item(0, &first) != S_OK || first == nullptr) {
            return nullptr;
        }
        return std::make_unique<MsXmlNode>(Adopted(first));
    }
    CXString GetTextValue() const override {
        Bstr text;
        Check(node->get_text(text.Out()), "a node's text");
        return text.Text();
    }
    CXString GetName() const override {
        Bstr name;
        Check(node->get_nodeName(name.Out()), "a node's name");
        return name.Text();
    }
    CXString GetAttribute(const CXString& name) const override {
        IXMLDOMElement* element = nullptr;
        if (FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(&element)))) {
            return CXString();
        }
        const auto owned = Adopted(element);
        VARIANT value;
        VariantInit(&value);
        CXString text;
        if (owned->getAttribute(Bstr(name), &value) == S_OK && value.vt == VT_BSTR &&
            value.bstrVal != nullptr) {
            text = CXString(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
        }
        VariantClear(&value);
        return text;
    }
    std::vector<std::unique_ptr<XmlDomNode>> GetChildElements() const override {
        std::vector<std::unique_ptr<XmlDomNode>> children;
        IXMLDOMNode* child = nullptr;
        Check(node->get_firstChild(&child), "a first child");
        for (auto current = Adopted(child); current;) {
            DOMNodeType type = NODE_INVALID;
            current->get_nodeType(&type);
            IXMLDOMNode* next = nullptr;
            current->get_nextSibling(&next);
            if (type == NODE_ELEMENT) {
                children.push_back(std::make_unique<MsXmlNode>(current));
            }
            current = Adopted(next);
        }
        return children;
    }
    void AppendChild(XmlDomNode& child) override {
        IXMLDOMNode* appended = nullptr;
        Check(node->appendChild(dynamic_cast<MsXmlNode&>(child).node.Get(), &appended),
              "appending a node");
        Adopted(appended);
    }

  private:
    ComReference<IXMLDOMNode> node;
};

class MsXmlParser : public CorvoXmlParser {
  public:
    MsXmlParser(std::string name, bool preserveWhiteSpace) : name(std::move(name)) {
        IXMLDOMDocument2* created = nullptr;
        Check(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument2,
                               reinterpret_cast<void**>(&created)),
              "DOMDocument60 for " + this->name);
        document = Adopted(created);
        document->put_async(VARIANT_FALSE);
        document->put_validateOnParse(VARIANT_FALSE);
        document->put_resolveExternals(VARIANT_FALSE);
        document->put_preserveWhiteSpace(preserveWhiteSpace ? VARIANT_TRUE : VARIANT_FALSE);
        VARIANT prohibit;
        VariantInit(&prohibit);
        prohibit.vt = VT_BOOL;
        prohibit.boolVal = VARIANT_TRUE;
        Check(document->setProperty(Bstr(CXString(WIDE("ProhibitDTD"))), prohibit),
              "prohibiting DTDs");
    }

    void LoadFromBytes(const BYTE* bytes, DWORD count) override {
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, count);
        if (array == nullptr) {
            Check(E_OUTOFMEMORY, "a byte array");
        }
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        std::copy(bytes, bytes + count, static_cast<BYTE*>(data));
        SafeArrayUnaccessData(array);
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_ARRAY | VT_UI1;
        source.parray = array;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        const HRESULT result = document->load(source, &loaded);
        SafeArrayDestroy(array);
        if (result != S_OK || loaded != VARIANT_TRUE) {
            Check(FAILED(result) ? result : E_FAIL,
                  "the document of " + name + " is not well-formed");
        }
        IXMLDOMDocumentType* type = nullptr;
        if (document->get_doctype(&type) == S_OK && type != nullptr) {
            type->Release();
            Check(E_ACCESSDENIED, "a document type declaration is not accepted");
        }
    }
    void LoadFromUtf8Text(const CPString& text) override {
        LoadFromBytes(reinterpret_cast<const BYTE*>(text.utf8RawBytes()),
                      text.sizeOfUtf8RawBytes());
    }
    std::unique_ptr<XmlDomNode> GetDocumentElement() override {
        IXMLDOMElement* root = nullptr;
        if (document->get_documentElement(&root) != S_OK || root == nullptr) {
            return nullptr;
        }
        return std::make_unique<MsXmlNode>(Adopted<IXMLDOMNode>(root));
    }
    std::unique_ptr<XmlDomNode> CreateElement(const CXString& elementName) override {
        IXMLDOMElement* element = nullptr;
        Check(document->createElement(Bstr(elementName), &element), "an element");
        return std::make_unique<MsXmlNode>(Adopted<IXMLDOMNode>(element));
    }
    std::unique_ptr<XmlDomNode> CreateTextNode(const CXString& value) override {
        IXMLDOMText* text = nullptr;
        Check(document->createTextNode(Bstr(value), &text), "a text node");
        return std::make_unique<MsXmlNode>(Adopted<IXMLDOMNode>(text));
    }
    // MSXML writes the document in the encoding its declaration names (UTF-8) when it saves to a
    // stream; the stream is then handed to the callback in pieces.
    void SaveToCallback(XmlOutputCallback& callback) override {
        IStream* created = nullptr;
        Check(CreateStreamOnHGlobal(nullptr, TRUE, &created), "a memory stream");
        const auto stream = Adopted(created);
        VARIANT target;
        VariantInit(&target);
        target.vt = VT_UNKNOWN;
        target.punkVal = stream.Get();
        Check(document->save(target), "saving the document");
        LARGE_INTEGER start{};
        Check(stream->Seek(start, STREAM_SEEK_SET, nullptr), "rewinding the memory stream");
        unsigned char chunk[4096];
        ULONG read = 0;
        while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &read)) && read > 0) {
            callback.HandleOutput(chunk, read);
        }
    }

  private:
    std::string name;
    ComReference<IXMLDOMDocument2> document;
};
}  // namespace

std::unique_ptr<CorvoXmlParser> UtilitiesLibraryHost::CreateMicrosoftXmlParser(
    const char* name, bool preserveWhiteSpace) {
    return std::make_unique<MsXmlParser>(name != nullptr ? name : "", preserveWhiteSpace);
}
