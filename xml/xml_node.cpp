#include "xml/xml_node.h"

#include <mbstring.h>

namespace {
bool NamesMatch(const HostString& name, const std::string& key)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(name.CStr()),
                    reinterpret_cast<const unsigned char*>(key.c_str())) == 0;
}
}  // namespace

struct XmlNodeDestruction {
    static void __thiscall DeletingDestructor(TreeNode* self, int flags)
    {
        auto* node = static_cast<XmlNode*>(self);
        if (flags & 1)
            delete node;
        else
            node->~XmlNode();
    }
    static const TreeNodeVtable vtable;
};
const TreeNodeVtable XmlNodeDestruction::vtable = {&XmlNodeDestruction::DeletingDestructor};

void TreeNode::InsertChild(TreeNode* child, TreeNode* after)
{
    if (!child)
        return;
    if (child->parent)
        child->parent->RemoveChild(child);
    child->parent = this;
    if (!firstChild) {
        firstChild = lastChild = child;
        return;
    }
    TreeNode* anchor = nullptr;
    if (after) {
        for (TreeNode* node = firstChild; node; node = node->nextSibling) {
            if (node == after) {
                anchor = node;
                break;
            }
        }
    }
    if (!anchor)
        anchor = lastChild;
    child->nextSibling = anchor->nextSibling;
    anchor->nextSibling = child;
    if (anchor == lastChild)
        lastChild = child;
}

void TreeNode::RemoveChild(TreeNode* child)
{
    if (!child || !firstChild)
        return;
    TreeNode* previous = nullptr;
    TreeNode* node = firstChild;
    while (node && node != child) {
        previous = node;
        node = node->nextSibling;
    }
    if (!node)
        return;
    (previous ? previous->nextSibling : firstChild) = child->nextSibling;
    if (lastChild == child)
        lastChild = previous;
    child->nextSibling = nullptr;
    child->parent = nullptr;
}

XmlNode::XmlNode() noexcept : TreeNode(&XmlNodeDestruction::vtable) {}

XmlNode::~XmlNode()
{
    name.Release();
    attributes.Clear();
    if (parent)
        parent->RemoveChild(this);
    // Each child of our own class hands its children up to this node before it is destroyed,
    // so the subtree goes in document order without one nested call per level. Nodes of the
    // host's own class are destroyed by their own destructor.
    while (TreeNode* child = firstChild) {
        RemoveChild(child);
        if (child->vtable == &XmlNodeDestruction::vtable && child->firstChild) {
            for (TreeNode* grandchild = child->firstChild; grandchild; grandchild = grandchild->nextSibling)
                grandchild->parent = this;
            child->lastChild->nextSibling = firstChild;
            if (!firstChild)
                lastChild = child->lastChild;
            firstChild = child->firstChild;
            child->firstChild = child->lastChild = nullptr;
        }
        child->vtable->deletingDestructor(child, 1);
    }
}

void XmlNode::Destroy(XmlNode* node) noexcept
{
    if (node)
        node->vtable->deletingDestructor(node, 1);
}

XmlNode* XmlNode::FindChild(const std::string& key) const
{
    for (XmlNode* child = FirstChild(); child; child = child->NextSibling())
        if (NamesMatch(child->name, key))
            return child;
    return nullptr;
}

XmlNode* XmlNode::AddChild(const std::string& childName)
{
    XmlTree child(new XmlNode);
    child->SetName(childName);
    InsertChild(child.get(), nullptr);
    return child.release();
}

XmlNode* XmlNode::FindOrAddChild(const std::string& childName)
{
    XmlNode* child = FindChild(childName);
    return child ? child : AddChild(childName);
}

XmlAttribute* XmlNode::FindAttribute(const std::string& key)
{
    for (XmlAttribute& attribute : attributes)
        if (NamesMatch(attribute.name, key))
            return &attribute;
    return nullptr;
}

const XmlAttribute* XmlNode::FindAttribute(const std::string& key) const
{
    return const_cast<XmlNode*>(this)->FindAttribute(key);
}

bool XmlNode::GetAttribute(const std::string& key, std::string& out) const
{
    const XmlAttribute* attribute = FindAttribute(key);
    if (!attribute)
        return false;
    out = attribute->value.Str();
    return true;
}

XmlAttribute& XmlNode::SetAttribute(const std::string& key, const std::string& value)
{
    XmlAttribute* attribute = FindAttribute(key);
    if (!attribute)
        return AppendAttribute(key, value);
    attribute->value.Assign(value);
    return *attribute;
}

XmlAttribute& XmlNode::AppendAttribute(const std::string& key, const std::string& value)
{
    XmlAttribute& attribute = attributes.EmplaceBack();
    attribute.name.Assign(key);
    attribute.value.Assign(value);
    return attribute;
}
