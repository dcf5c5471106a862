// The XML element tree that the library shares with the host: the host keeps its presets as
// trees of this class, hands the library a node, and destroys what the library added through
// the node's virtual destructor. The object layout is therefore the host's, pinned below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/host_string.h"
#include "platform/host_vector.h"

struct IXMLDOMNode;
class TreeNode;

// The host's table of virtual operations: one entry, the deleting destructor, called as a
// member function (this in ECX, the flags on the stack, callee pops). Bit 0 of flags also
// releases the node's memory.
struct TreeNodeVtable {
    void(__thiscall* deletingDestructor)(TreeNode* self, int flags);
};

class TreeNode {
public:
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    // Attaches child (taken from any parent it has) behind after, or at the end when after is
    // null or not a child of this node. A null child is ignored.
    void InsertChild(TreeNode* child, TreeNode* after);
    // Unlinks child when it is a child of this node; anything else is ignored.
    void RemoveChild(TreeNode* child);

    const TreeNodeVtable* vtable;
    TreeNode* firstChild = nullptr;
    TreeNode* nextSibling = nullptr;
    TreeNode* parent = nullptr;
    TreeNode* lastChild = nullptr;

protected:
    explicit TreeNode(const TreeNodeVtable* table) noexcept : vtable(table) {}
    ~TreeNode() = default;
};

struct XmlAttribute {
    HostString name;
    HostString value;
};
#ifndef BANDREJECT_NATIVE  // the host's 32-bit layout
static_assert(sizeof(XmlAttribute) == 32, "XmlAttribute is 32 bytes");
static_assert(offsetof(XmlAttribute, name) == 0, "XmlAttribute layout");
static_assert(offsetof(XmlAttribute, value) == 16, "XmlAttribute layout");
#endif

// Names of children and attributes are matched as the shared C runtime's _mbsicmp does
// (case-insensitive under the multibyte code page); the first match wins.
class XmlNode : public TreeNode {
public:
    // Nodes live on the shared heap: either side may release them.
    static void* operator new(size_t size) { return HostHeap::Allocate(size); }
    static void operator delete(void* block) noexcept { HostHeap::Release(block); }

    XmlNode() noexcept;
    // Destroys node and its subtree through the node's own virtual destructor, unlinking it
    // from its parent first. Our own descendants are destroyed without recursion, so a tree of
    // any depth is safe; a null node is ignored.
    static void Destroy(XmlNode* node) noexcept;

    XmlNode* FirstChild() const noexcept { return static_cast<XmlNode*>(firstChild); }
    XmlNode* NextSibling() const noexcept { return static_cast<XmlNode*>(nextSibling); }
    XmlNode* Parent() const noexcept { return static_cast<XmlNode*>(parent); }

    XmlNode* FindChild(const std::string& key) const;
    // Always a new last child, even when one of that name exists.
    XmlNode* AddChild(const std::string& name);

    XmlAttribute* FindAttribute(const std::string& key);
    const XmlAttribute* FindAttribute(const std::string& key) const;
    // Copies the first matching attribute's value into out; false (out untouched) when none.
    bool GetAttribute(const std::string& key, std::string& out) const;
    // Replaces the first matching attribute's value, keeping its name's spelling and position,
    // or appends a new attribute. Returns the attribute found or appended; callers that want no
    // result ignore it. The reference lasts until the next attribute is added to this node.
    XmlAttribute& SetAttribute(const std::string& key, const std::string& value);
    // Appends without looking for an existing attribute of that name (document order) and
    // returns the new attribute, valid as long as SetAttribute's result.
    XmlAttribute& AppendAttribute(const std::string& key, const std::string& value);

    std::string Name() const { return name.Str(); }
    void SetName(const std::string& text) { name.Assign(text); }

    // Filling from a file through the platform's DOM parser (xml/xml_file.cpp).
    bool LoadFile(const std::string& fileName);
    void FillFromDom(IXMLDOMNode* domNode);

    // Typed values kept as attribute text (xml/xml_values.cpp). Reads return false (0 for
    // byte blocks) and leave the destination untouched when the attribute is missing.
    bool GetAttributeInt(const std::string& attribute, int32_t& out) const;
    void SetAttributeDword(const std::string& attribute, uint32_t value);
    void SetAttributeInt(const std::string& attribute, int32_t value);
    bool GetAttributeFloat(const std::string& attribute, float& out) const;
    void SetAttributeFloat(const std::string& attribute, float value);
    bool GetAttributeDouble(const std::string& attribute, double& out) const;
    void SetAttributeDouble(const std::string& attribute, double value);
    int32_t GetAttributeBytes(const std::string& attribute, uint8_t* buffer, int32_t capacity) const;
    void SetAttributeBytes(const std::string& attribute, const uint8_t* bytes, int32_t count);

    // The same, addressed by the name of a child element whose "Value" attribute holds the
    // text; a write creates the child when it is missing.
    bool GetString(const std::string& child, std::string& out) const;
    void SetString(const std::string& child, const std::string& value);
    bool GetDword(const std::string& child, uint32_t& out) const;
    void SetDword(const std::string& child, uint32_t value);
    bool GetInt(const std::string& child, int32_t& out) const;
    void SetInt(const std::string& child, int32_t value);
    bool GetFloat(const std::string& child, float& out) const;
    void SetFloat(const std::string& child, float value);
    bool GetDouble(const std::string& child, double& out) const;
    void SetDouble(const std::string& child, double value);
    int32_t GetBytes(const std::string& child, uint8_t* buffer, int32_t capacity) const;
    void SetBytes(const std::string& child, const uint8_t* bytes, int32_t count);

    HostVector<XmlAttribute> attributes;
    HostString name;
    int32_t reserved = 0;

private:
    friend struct XmlNodeDestruction;
    ~XmlNode();
    XmlNode* FindOrAddChild(const std::string& name);
};

// Layout shared with the host: offsetof on a derived class is what the host's compiler sees.
#ifndef BANDREJECT_NATIVE  // the host's 32-bit layout
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(XmlNode) == 56, "XmlNode is 56 bytes");
static_assert(offsetof(XmlNode, vtable) == 0, "XmlNode layout");
static_assert(offsetof(XmlNode, firstChild) == 4, "XmlNode layout");
static_assert(offsetof(XmlNode, nextSibling) == 8, "XmlNode layout");
static_assert(offsetof(XmlNode, parent) == 12, "XmlNode layout");
static_assert(offsetof(XmlNode, lastChild) == 16, "XmlNode layout");
static_assert(offsetof(XmlNode, attributes) == 20, "XmlNode layout");
static_assert(sizeof(HostVector<XmlAttribute>) == 16, "XmlNode layout");
static_assert(offsetof(XmlNode, name) == 36, "XmlNode layout");
static_assert(offsetof(XmlNode, reserved) == 52, "XmlNode layout");
#pragma GCC diagnostic pop
#endif

struct XmlNodeDeleter {
    void operator()(XmlNode* node) const noexcept { XmlNode::Destroy(node); }
};
// A root that the library owns, such as the start-up tree.
using XmlTree = std::unique_ptr<XmlNode, XmlNodeDeleter>;
