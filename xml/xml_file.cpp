// XmlNode::LoadFile and FillFromDom: an XML file through the platform's DOM document component.
#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/handles.h"
#include "xml/attribute_limit.h"
#include "xml/xml_node.h"

namespace {
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomNodeInterface = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomNodeListInterface = {0x2933BF82, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomNamedNodeMapInterface = {0x2933BF83, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomAttributeInterface = {0x2933BF85, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr DWORD kCreationContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
constexpr DOMNodeType kElementNode = NODE_ELEMENT;
// Entity references that attribute values of one document may hold. The parser keeps them
// unexpanded until a value is read and then expands each in full, so a small file with one
// large entity referenced thousands of times would take minutes and gigabytes to read.
constexpr int kMaxValueEntityReferences = 16;

Bstr ToWide(const std::string& text)
{
    const int length = text.empty() ? 0
                                    : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                          nullptr, 0);
    if (!text.empty() && length <= 0)
        throw ComError(E_OUTOFMEMORY);
    Bstr result(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (!result.Get())
        throw ComError(E_OUTOFMEMORY);
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.Get(), length);
    return result;
}

std::string ToAnsi(BSTR text)
{
    const int wideLength = static_cast<int>(SysStringLen(text));
    if (wideLength == 0)
        return std::string();
    const int length = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        throw ComError(E_OUTOFMEMORY);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wideLength, result.data(), length, nullptr, nullptr);
    return result;
}

ComPtr<IXMLDOMDocument> CreateDocument()
{
    ComPtr<IUnknown> object;
    HRESULT code = CoCreateInstance(kDomDocumentClass, nullptr, kCreationContext, IID_IUnknown, object.ReceiveVoid());
    if (code == E_NOINTERFACE)
        return ComPtr<IXMLDOMDocument>();
    ThrowIfFailed(code);
    ThrowIfFailed(OleRun(object.Get()));
    return QueryInterfaceOrNull<IXMLDOMDocument>(object.Get(), kDomDocumentInterface);
}

DOMNodeType NodeType(IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    ThrowIfFailed(node->get_nodeType(&type), node, kDomNodeInterface);
    return type;
}

// Whether the attribute values under root, counted without reading any of them, hold no more
// entity references than a document may. Only a document type declaration can declare an
// entity, so a document without one has none to expand.
bool EntityReferencesBounded(IXMLDOMDocument* document, IXMLDOMNode* root)
{
    ComPtr<IXMLDOMDocumentType> documentType;
    if (SUCCEEDED(document->get_doctype(documentType.Receive())) && !documentType)
        return true;
    int references = 0;
    std::vector<ComPtr<IXMLDOMNode>> elements;
    elements.push_back(QueryInterfaceOrNull<IXMLDOMNode>(root, kDomNodeInterface));
    while (!elements.empty()) {
        ComPtr<IXMLDOMNode> element = std::move(elements.back());
        elements.pop_back();
        ComPtr<IXMLDOMNamedNodeMap> attributes;
        ThrowIfFailed(element->get_attributes(attributes.Receive()), element.Get(), kDomNodeInterface);
        for (ComPtr<IXMLDOMNode> attribute; attributes;) {
            ThrowIfFailed(attributes->nextNode(attribute.Receive()), attributes.Get(), kDomNamedNodeMapInterface);
            if (!attribute)
                break;
            ComPtr<IXMLDOMNodeList> parts;
            ThrowIfFailed(attribute->get_childNodes(parts.Receive()), attribute.Get(), kDomNodeInterface);
            for (ComPtr<IXMLDOMNode> part; parts;) {
                ThrowIfFailed(parts->nextNode(part.Receive()), parts.Get(), kDomNodeListInterface);
                if (!part)
                    break;
                if (NodeType(part.Get()) == NODE_ENTITY_REFERENCE && ++references > kMaxValueEntityReferences)
                    return false;
            }
        }
        ComPtr<IXMLDOMNodeList> children;
        ThrowIfFailed(element->get_childNodes(children.Receive()), element.Get(), kDomNodeInterface);
        while (children) {
            ComPtr<IXMLDOMNode> child;
            ThrowIfFailed(children->nextNode(child.Receive()), children.Get(), kDomNodeListInterface);
            if (!child)
                break;
            if (NodeType(child.Get()) == kElementNode)
                elements.push_back(std::move(child));
        }
    }
    return true;
}

// Whether the file can be read and passes the attribute bound: checked on its bytes before the
// parser sees them, since the parser's own time is what the bound is about.
bool FileAttributesBounded(const std::string& path)
{
    // Shared for writing too: a file another program holds open for writing still reads.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    std::vector<uint8_t> bytes;
    for (DWORD read = 1; read != 0;) {
        const size_t at = bytes.size();
        bytes.resize(at + (64 << 10));
        if (!ReadFile(file, bytes.data() + at, 64 << 10, &read, nullptr))
            return false;
        bytes.resize(at + read);
    }
    return AttributesBounded(bytes.data(), bytes.size());
}

// Copies name and attributes of an element into node; returns its child list, or null when
// domNode is no element or has no children to visit.
ComPtr<IXMLDOMNodeList> FillElement(XmlNode& node, IXMLDOMNode* domNode)
{
    if (!domNode)
        throw ComError(E_POINTER);
    DOMNodeType type = NODE_INVALID;
    ThrowIfFailed(domNode->get_nodeType(&type), domNode, kDomNodeInterface);
    if (type != kElementNode)
        return ComPtr<IXMLDOMNodeList>();

    Bstr name;
    ThrowIfFailed(domNode->get_nodeName(name.Receive()), domNode, kDomNodeInterface);
    node.SetName(ToAnsi(name.Get()));
    node.reserved = 0;

    ComPtr<IXMLDOMNamedNodeMap> attributes;
    ThrowIfFailed(domNode->get_attributes(attributes.Receive()), domNode, kDomNodeInterface);
    while (attributes) {
        ComPtr<IXMLDOMNode> item;
        ThrowIfFailed(attributes->nextNode(item.Receive()), attributes.Get(), kDomNamedNodeMapInterface);
        if (!item)
            break;
        ComPtr<IXMLDOMAttribute> attribute = QueryInterfaceOrNull<IXMLDOMAttribute>(item.Get(), kDomAttributeInterface);
        if (!attribute)
            break;
        Variant value;
        ThrowIfFailed(attribute->get_value(value.Receive()), attribute.Get(), kDomAttributeInterface);
        value.ChangeToString();
        Bstr attributeName;
        ThrowIfFailed(attribute->get_name(attributeName.Receive()), attribute.Get(), kDomAttributeInterface);
        node.AppendAttribute(ToAnsi(attributeName.Get()), ToAnsi(value.String()));
    }

    ComPtr<IXMLDOMNodeList> children;
    ThrowIfFailed(domNode->get_childNodes(children.Receive()), domNode, kDomNodeInterface);
    return children;
}
}  // namespace

bool XmlNode::LoadFile(const std::string& fileName)
{
    if (!FileAttributesBounded(fileName))
        return false;
    ComPtr<IXMLDOMDocument> document = CreateDocument();
    Variant source(ToWide(fileName));
    if (!document)
        throw ComError(E_POINTER);
    // The tree is read right after load returns, so the load must be complete by then; and a
    // file must not make the parser fetch anything beyond itself.
    ThrowIfFailed(document->put_async(VARIANT_FALSE), document.Get(), kDomDocumentInterface);
    ThrowIfFailed(document->put_resolveExternals(VARIANT_FALSE), document.Get(), kDomDocumentInterface);

    VARIANT_BOOL loaded = VARIANT_FALSE;
    ThrowIfFailed(document->load(source.Get(), &loaded), document.Get(), kDomDocumentInterface);
    if (loaded == VARIANT_FALSE)
        return false;

    ComPtr<IXMLDOMElement> root;
    document->get_documentElement(root.Receive());
    if (!root)
        return false;
    ComPtr<IXMLDOMNode> rootNode = QueryInterfaceOrNull<IXMLDOMNode>(root.Get(), kDomNodeInterface);
    if (!rootNode)
        throw ComError(E_POINTER);
    // Refused before anything is read, so the node stays as it was.
    if (!EntityReferencesBounded(document.Get(), rootNode.Get()))
        return false;
    FillFromDom(rootNode.Get());
    return true;
}

void XmlNode::FillFromDom(IXMLDOMNode* domNode)
{
    // One entry per open element instead of one call per level: a file nested thousands of
    // levels deep must not exhaust the stack.
    struct OpenElement {
        XmlNode* node;  // cppcheck-suppress unusedStructMember ; read as open.back().node
        ComPtr<IXMLDOMNodeList> children;
    };
    std::vector<OpenElement> open;
    ComPtr<IXMLDOMNodeList> children = FillElement(*this, domNode);
    if (children)
        open.push_back({this, std::move(children)});
    while (!open.empty()) {
        XmlNode* parent = open.back().node;
        IXMLDOMNodeList* list = open.back().children.Get();
        ComPtr<IXMLDOMNode> child;
        ThrowIfFailed(list->nextNode(child.Receive()), list, kDomNodeListInterface);
        if (!child) {
            open.pop_back();
            continue;
        }
        // Linked before it is filled, so a failure part-way leaves it owned by the tree.
        XmlNode* node = new XmlNode;
        parent->InsertChild(node, nullptr);
        ComPtr<IXMLDOMNodeList> grandChildren = FillElement(*node, child.Get());
        if (grandChildren)
            open.push_back({node, std::move(grandChildren)});
    }
}
