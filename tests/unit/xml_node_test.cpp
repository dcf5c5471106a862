// The host-shared element tree: links, look-ups and destruction.
#include <gtest/gtest.h>

#include <vector>

#include "xml/xml_node.h"

namespace {

// The children of a node as a list, after checking every link invariant.
::testing::AssertionResult ChildrenAre(const XmlNode& node, const std::vector<const XmlNode*>& expected)
{
    std::vector<const XmlNode*> actual;
    const TreeNode* last = nullptr;
    for (const XmlNode* child = node.FirstChild(); child; child = child->NextSibling()) {
        if (child->parent != &node)
            return ::testing::AssertionFailure() << "child " << actual.size() << " has a wrong parent";
        actual.push_back(child);
        last = child;
        if (actual.size() > expected.size() + 1)
            return ::testing::AssertionFailure() << "the child list is longer than " << expected.size();
    }
    if (node.lastChild != last)
        return ::testing::AssertionFailure() << "lastChild is not the end of the list";
    if (actual != expected)
        return ::testing::AssertionFailure() << "expected " << expected.size() << " children, got " << actual.size()
                                             << " (or another order)";
    return ::testing::AssertionSuccess();
}

struct TreeFixture : ::testing::Test {
    XmlTree root{new XmlNode};
};

using XmlNodeTree = TreeFixture;

TEST_F(XmlNodeTree, NewNodeIsEmpty)
{
    EXPECT_EQ(root->firstChild, nullptr);
    EXPECT_EQ(root->lastChild, nullptr);
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(root->nextSibling, nullptr);
    EXPECT_EQ(root->attributes.Size(), 0u);
    EXPECT_EQ(root->Name(), "");
    EXPECT_EQ(root->reserved, 0);
}

TEST_F(XmlNodeTree, FindChildIgnoresCaseAndReturnsTheFirstMatch)
{
    XmlNode* first = root->AddChild("DryOut");
    XmlNode* second = root->AddChild("DRYOUT");
    EXPECT_EQ(root->FindChild("dryout"), first);
    EXPECT_EQ(root->FindChild("DryOut"), first);
    EXPECT_EQ(root->FindChild("DryOu"), nullptr);
    EXPECT_EQ(root->FindChild("DryOutX"), nullptr);
    EXPECT_TRUE(ChildrenAre(*root, {first, second}));
}

TEST_F(XmlNodeTree, FindChildSearchesDirectChildrenOnly)
{
    XmlNode* child = root->AddChild("Preset");
    child->AddChild("CutOffFreq");
    EXPECT_EQ(root->FindChild("CutOffFreq"), nullptr);
    EXPECT_EQ(root->FindChild("Preset/CutOffFreq"), nullptr);
}

TEST_F(XmlNodeTree, NodeWithEmptyNameIsFoundOnlyByEmptyKey)
{
    XmlNode* named = root->AddChild("a");
    XmlNode* unnamed = root->AddChild("");
    EXPECT_EQ(root->FindChild(""), unnamed);
    EXPECT_EQ(root->FindChild("a"), named);
    EXPECT_EQ(named->FindChild(""), nullptr);
}

TEST_F(XmlNodeTree, AddChildWithAnExistingNameAppendsAnother)
{
    XmlNode* a = root->AddChild("Value");
    XmlNode* b = root->AddChild("Other");
    XmlNode* c = root->AddChild("value");
    EXPECT_NE(a, c);
    EXPECT_EQ(c->Name(), "value");
    EXPECT_TRUE(ChildrenAre(*root, {a, b, c}));
}

TEST_F(XmlNodeTree, SetAttributeKeepsSpellingAndPositionOfAMatch)
{
    root->SetAttribute("First", "1");
    root->SetAttribute("VALUE", "old");
    root->SetAttribute("Last", "3");
    XmlAttribute& found = root->SetAttribute("Value", "new");
    ASSERT_EQ(root->attributes.Size(), 3u);
    EXPECT_EQ(&found, &root->attributes[1]) << "the match is returned";
    EXPECT_EQ(found.name.Str(), "VALUE");
    EXPECT_EQ(found.value.Str(), "new");
    XmlAttribute& added = root->SetAttribute("Added", "4");
    ASSERT_EQ(root->attributes.Size(), 4u);
    EXPECT_EQ(&added, &root->attributes[3]) << "the appended attribute is returned";
    EXPECT_EQ(added.name.Str(), "Added");
    EXPECT_EQ(added.value.Str(), "4");
    EXPECT_EQ(root->attributes[0].value.Str(), "1");
    EXPECT_EQ(root->attributes[2].value.Str(), "3");
}

TEST_F(XmlNodeTree, SetAttributeReturnsTheAttributeWhereTheArrayNowHoldsIt)
{
    // The array grows at 1, 2, 4 and 8 elements: an append that moves it must still return
    // the element in the new array, and a later match returns the moved attribute.
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        const std::string name = "a" + std::to_string(k);
        XmlAttribute& added = root->SetAttribute(name, "v");
        ASSERT_EQ(root->attributes.Size(), static_cast<size_t>(k + 1));
        EXPECT_EQ(&added, &root->attributes[static_cast<size_t>(k)]);
        XmlAttribute& first = root->SetAttribute("A0", "w" + std::to_string(k));
        EXPECT_EQ(&first, &root->attributes[0]);
        EXPECT_EQ(first.name.Str(), "a0");
        EXPECT_EQ(first.value.Str(), "w" + std::to_string(k));
    }
    EXPECT_EQ(root->attributes.Size(), 9u);
}

TEST_F(XmlNodeTree, AttributeArrayGrowthKeepsEveryValue)
{
    for (int k = 0; k < 100; ++k)
        root->AppendAttribute("a" + std::to_string(k), std::string(static_cast<size_t>(k), 'x'));
    ASSERT_EQ(root->attributes.Size(), 100u);
    for (int k = 0; k < 100; ++k) {
        EXPECT_EQ(root->attributes[k].name.Str(), "a" + std::to_string(k));
        EXPECT_EQ(root->attributes[k].value.Length(), static_cast<size_t>(k));
    }
}

TEST_F(XmlNodeTree, AppendAttributeAddsDuplicatesAndLookUpsFindTheFirst)
{
    root->AppendAttribute("Path", "one");
    root->AppendAttribute("path", "two");
    std::string out;
    EXPECT_TRUE(root->GetAttribute("PATH", out));
    EXPECT_EQ(out, "one");
    EXPECT_EQ(root->attributes.Size(), 2u);
}

TEST_F(XmlNodeTree, GetAttributeOfMissingNameLeavesOutput)
{
    root->SetAttribute("Present", "");
    std::string out = "sentinel";
    EXPECT_FALSE(root->GetAttribute("Absent", out));
    EXPECT_EQ(out, "sentinel");
    EXPECT_TRUE(root->GetAttribute("present", out));
    EXPECT_EQ(out, "");
}

TEST_F(XmlNodeTree, InsertChildMovesANodeFromAnotherParent)
{
    XmlNode* oldParent = root->AddChild("old");
    XmlNode* newParent = root->AddChild("new");
    XmlNode* a = oldParent->AddChild("a");
    XmlNode* moved = oldParent->AddChild("moved");
    XmlNode* c = oldParent->AddChild("c");
    newParent->InsertChild(moved, nullptr);
    EXPECT_TRUE(ChildrenAre(*oldParent, {a, c}));
    EXPECT_TRUE(ChildrenAre(*newParent, {moved}));
    EXPECT_EQ(moved->nextSibling, nullptr);
}

TEST_F(XmlNodeTree, InsertChildOfOwnChildWithoutAfterMovesItToTheEnd)
{
    XmlNode* a = root->AddChild("a");
    XmlNode* b = root->AddChild("b");
    XmlNode* c = root->AddChild("c");
    root->InsertChild(a, nullptr);
    EXPECT_TRUE(ChildrenAre(*root, {b, c, a}));
    root->InsertChild(a, nullptr);
    EXPECT_TRUE(ChildrenAre(*root, {b, c, a}));
}

TEST_F(XmlNodeTree, InsertChildAfterAPosition)
{
    XmlNode* a = root->AddChild("a");
    XmlNode* b = root->AddChild("b");
    XmlTree stray(new XmlNode);
    XmlTree middle(new XmlNode);
    XmlTree tail(new XmlNode);
    XmlTree unknownAfter(new XmlNode);
    root->InsertChild(middle.get(), a);
    EXPECT_TRUE(ChildrenAre(*root, {a, middle.get(), b}));
    root->InsertChild(tail.get(), b);
    EXPECT_TRUE(ChildrenAre(*root, {a, middle.get(), b, tail.get()}));
    root->InsertChild(unknownAfter.get(), stray.get());
    EXPECT_TRUE(ChildrenAre(*root, {a, middle.get(), b, tail.get(), unknownAfter.get()}));
    root->InsertChild(a, b);
    EXPECT_TRUE(ChildrenAre(*root, {middle.get(), b, a, tail.get(), unknownAfter.get()}));
    root->InsertChild(nullptr, a);
    EXPECT_TRUE(ChildrenAre(*root, {middle.get(), b, a, tail.get(), unknownAfter.get()}));
    // The tree owns them now.
    middle.release();  // NOLINT(bugprone-unused-return-value): the tree owns it
    tail.release();  // NOLINT(bugprone-unused-return-value): the tree owns it
    unknownAfter.release();  // NOLINT(bugprone-unused-return-value): the tree owns it
}

TEST_F(XmlNodeTree, RemoveChildCases)
{
    XmlNode* only = root->AddChild("only");
    root->RemoveChild(only);
    EXPECT_TRUE(ChildrenAre(*root, {}));
    EXPECT_EQ(only->parent, nullptr);
    XmlTree ownedOnly(only);

    XmlNode* a = root->AddChild("a");
    XmlNode* b = root->AddChild("b");
    XmlNode* c = root->AddChild("c");
    XmlNode* grandchild = b->AddChild("g");
    root->RemoveChild(grandchild);
    EXPECT_TRUE(ChildrenAre(*b, {grandchild}));
    EXPECT_EQ(grandchild->parent, b);

    root->RemoveChild(c);
    EXPECT_TRUE(ChildrenAre(*root, {a, b}));
    EXPECT_EQ(c->parent, nullptr);
    EXPECT_EQ(c->nextSibling, nullptr);
    XmlTree ownedC(c);
    root->RemoveChild(c);
    EXPECT_TRUE(ChildrenAre(*root, {a, b}));

    root->RemoveChild(a);
    EXPECT_TRUE(ChildrenAre(*root, {b}));
    XmlTree ownedA(a);
    root->RemoveChild(nullptr);
    EXPECT_TRUE(ChildrenAre(*root, {b}));
}

TEST_F(XmlNodeTree, RemoveChildOfANodeWithoutChildrenKeepsTheParentLink)
{
    XmlNode* elsewhere = root->AddChild("x");
    XmlTree leafParent(new XmlNode);
    leafParent->RemoveChild(elsewhere);
    EXPECT_EQ(elsewhere->parent, root.get());
    EXPECT_TRUE(ChildrenAre(*root, {elsewhere}));
}

// A node of the host's own class: its destructor counts and unlinks, as the host's does.
int destroyedHostNodes = 0;
struct CountingNode;
struct CountingVtable {
    static void __thiscall DeletingDestructor(TreeNode* self, int flags);
    static const TreeNodeVtable table;
};
struct CountingNode : TreeNode {
    CountingNode() : TreeNode(&CountingVtable::table) {}
    ~CountingNode() = default;
    uint8_t rest[36] = {};
};
void __thiscall CountingVtable::DeletingDestructor(TreeNode* self, int flags)
{
    ++destroyedHostNodes;
    EXPECT_EQ(flags, 1);
    EXPECT_EQ(self->firstChild, nullptr);
    if (self->parent)
        self->parent->RemoveChild(self);
    delete static_cast<CountingNode*>(self);
}
const TreeNodeVtable CountingVtable::table = {&CountingVtable::DeletingDestructor};

TEST_F(XmlNodeTree, DestroyingAChildUnlinksItAndDestroysEachDescendantOnce)
{
    destroyedHostNodes = 0;
    XmlNode* a = root->AddChild("a");
    XmlNode* b = root->AddChild("b");
    XmlNode* c = root->AddChild("c");
    for (int k = 0; k < 3; ++k)
        b->InsertChild(new CountingNode, nullptr);
    b->AddChild("inner")->InsertChild(new CountingNode, nullptr);
    XmlNode::Destroy(b);
    EXPECT_EQ(destroyedHostNodes, 4);
    EXPECT_TRUE(ChildrenAre(*root, {a, c}));

    for (int k = 0; k < 2; ++k)
        a->AddChild("deep")->AddChild("deeper")->InsertChild(new CountingNode, nullptr);
    c->InsertChild(new CountingNode, nullptr);
    root.reset();
    EXPECT_EQ(destroyedHostNodes, 7);
}

TEST_F(XmlNodeTree, AVeryDeepTreeIsDestroyedWithoutExhaustingTheStack)
{
    XmlNode* node = root.get();
    for (int level = 0; level < 300000; ++level) {
        node->AddChild("sibling");
        node = node->AddChild("level");
        node->SetAttribute("Value", "text that needs a block of its own");
    }
    destroyedHostNodes = 0;
    node->InsertChild(new CountingNode, nullptr);
    root.reset();
    EXPECT_EQ(destroyedHostNodes, 1);
}

TEST_F(XmlNodeTree, DestructorWithoutReleaseFlagLeavesTheMemory)
{
    // A host may keep a node inside another object and destroy it without freeing it.
    auto* node = static_cast<XmlNode*>(HostHeap::Allocate(sizeof(XmlNode)));
    ::new (node) XmlNode;
    node->SetName("embedded");
    node->AddChild("child");
    root->InsertChild(node, nullptr);
    node->vtable->deletingDestructor(node, 0);
    EXPECT_TRUE(ChildrenAre(*root, {}));
    EXPECT_EQ(node->firstChild, nullptr);
    HostHeap::Release(node);
}

}  // namespace
