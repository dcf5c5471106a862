// XmlNode::LoadFile against the DOM parser that Wine provides (msxml3).
#include <windows.h>
#include <msxml2.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/com.h"
#include "xml/file_size_limit.h"
#include "xml/xml_node.h"

namespace {
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomNodeInterface = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

void WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> AttributeList(const XmlNode& node)
{
    std::vector<std::string> list;
    for (const XmlAttribute& attribute : node.attributes)
        list.push_back(attribute.name.Str() + "=" + attribute.value.Str());
    return list;
}

std::vector<XmlNode*> Children(const XmlNode& node)
{
    std::vector<XmlNode*> list;
    for (XmlNode* child = node.FirstChild(); child; child = child->NextSibling())
        list.push_back(child);
    return list;
}

// A node that has never seen a file except through children of these names, to tell a
// failed load that touched it from one that did not.
XmlTree SentinelNode()
{
    XmlTree node(new XmlNode);
    node->SetName("sentinel");
    node->AppendAttribute("kept", "yes");
    node->AddChild("keptChild");
    node->reserved = 0x5eed;
    return node;
}

::testing::AssertionResult IsSentinel(const XmlNode& node)
{
    const std::vector<std::string> expected{"kept=yes"};
    if (node.Name() != "sentinel" || AttributeList(node) != expected || node.reserved != 0x5eed)
        return ::testing::AssertionFailure() << "node changed: name '" << node.Name() << "', "
                                             << AttributeList(node).size() << " attributes";
    const std::vector<XmlNode*> children = Children(node);
    if (children.size() != 1 || children[0]->Name() != "keptChild")
        return ::testing::AssertionFailure() << "children changed: " << children.size() << " children";
    return ::testing::AssertionSuccess();
}

TEST(XmlFileLoad, RootWithTwoAttributesAndNoContent)
{
    WriteFile("two_attributes.xml", "<Language Path=\"german.dll\" Name=\"Deutsch\"/>\r\n");
    XmlTree node(new XmlNode);
    node->reserved = 7;
    ASSERT_TRUE(node->LoadFile("two_attributes.xml"));
    EXPECT_EQ("Language", node->Name());
    EXPECT_EQ((std::vector<std::string>{"Path=german.dll", "Name=Deutsch"}), AttributeList(*node));
    EXPECT_EQ(nullptr, node->FirstChild());
    EXPECT_EQ(nullptr, node->lastChild);
    EXPECT_EQ(0, node->reserved);
}

TEST(XmlFileLoad, TextThenElementGiveNamelessNodeThenElement)
{
    WriteFile("text_then_element.xml", "<r>some text<child a=\"1\"/></r>");
    XmlTree node(new XmlNode);
    ASSERT_TRUE(node->LoadFile("text_then_element.xml"));
    const std::vector<XmlNode*> children = Children(*node);
    ASSERT_EQ(2u, children.size());
    EXPECT_EQ("", children[0]->Name());
    EXPECT_TRUE((children[0]->attributes.Size() == 0));
    EXPECT_EQ(nullptr, children[0]->FirstChild());
    EXPECT_EQ("child", children[1]->Name());
    EXPECT_EQ((std::vector<std::string>{"a=1"}), AttributeList(*children[1]));
    EXPECT_EQ(children[1], node->lastChild);
}

TEST(XmlFileLoad, CommentsInstructionsAndCdataInsideRootOnly)
{
    WriteFile("comments.xml",
              "<?xml version=\"1.0\"?>\r\n<!-- before the root -->\r\n<?before x?>\r\n"
              "<root>\r\n  <!-- inside -->\r\n  <?inside y?>\r\n  <![CDATA[<not an element>]]>\r\n  <e/>\r\n</root>\r\n"
              "<!-- after the root -->\r\n");
    XmlTree node(new XmlNode);
    ASSERT_TRUE(node->LoadFile("comments.xml"));
    EXPECT_EQ("root", node->Name());
    const std::vector<XmlNode*> children = Children(*node);
    ASSERT_EQ(4u, children.size()) << "indenting white space must not yield nodes";
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ("", children[i]->Name());
        EXPECT_TRUE((children[i]->attributes.Size() == 0));
        EXPECT_EQ(nullptr, children[i]->FirstChild());
    }
    EXPECT_EQ("e", children[3]->Name());
}

TEST(XmlFileLoad, NestedElementsKeepDocumentOrderAndLinks)
{
    WriteFile("nested.xml", "<a><b x=\"1\" y=\"2\" z=\"3\"><c/><d><f/></d></b><e/></a>");
    XmlTree node(new XmlNode);
    ASSERT_TRUE(node->LoadFile("nested.xml"));
    const std::vector<XmlNode*> top = Children(*node);
    ASSERT_EQ(2u, top.size());
    EXPECT_EQ("b", top[0]->Name());
    EXPECT_EQ("e", top[1]->Name());
    EXPECT_EQ((std::vector<std::string>{"x=1", "y=2", "z=3"}), AttributeList(*top[0]));
    const std::vector<XmlNode*> inner = Children(*top[0]);
    ASSERT_EQ(2u, inner.size());
    EXPECT_EQ("c", inner[0]->Name());
    EXPECT_EQ("d", inner[1]->Name());
    EXPECT_EQ(top[0], inner[1]->Parent());
    EXPECT_EQ(inner[1], top[0]->lastChild);
    ASSERT_NE(nullptr, inner[1]->FirstChild());
    EXPECT_EQ("f", inner[1]->FirstChild()->Name());
    EXPECT_EQ(node.get(), top[1]->Parent());
}

TEST(XmlFileLoad, FilesWithoutRootElementLeaveNodeUnchanged)
{
    const struct {
        const char* name;
        const char* content;  // null: the file does not exist
    } rows[] = {
        {"missing.xml", nullptr},
        {"empty.xml", ""},
        {"unclosed.xml", "<r a=\"1\"><child></r>"},
        {"two_roots.xml", "<a/><b/>"},
        {"bad_attribute.xml", "<r a=1/>"},
        {"undefined_entity.xml", "<r a=\"&nothing;\"/>"},
        {"comment_only.xml", "<!-- no element -->"},
        {"truncated.xml", "<r><c"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(row.name);
        if (row.content)
            WriteFile(row.name, row.content);
        XmlTree node = SentinelNode();
        EXPECT_FALSE(node->LoadFile(row.name));
        EXPECT_TRUE(IsSentinel(*node));
    }
}

TEST(XmlFileLoad, EntitiesAreResolvedIntoTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "expects the ANSI code page 1252, have " << GetACP();
    WriteFile("entities.xml",
              "<!DOCTYPE r [<!ENTITY lib \"fran&#231;ais.dll\">]>"
              "<r Path=\"&lib;\" sym=\"&amp;&lt;&gt;&quot;&apos;\" dec=\"&#233;t&#xE9;\" far=\"&#x263A;\"/>");
    XmlTree node(new XmlNode);
    ASSERT_TRUE(node->LoadFile("entities.xml"));
    EXPECT_EQ((std::vector<std::string>{"Path=fran\xE7" "ais.dll", "sym=&<>\"'", "dec=\xE9t\xE9", "far=?"}),
              AttributeList(*node));
}

TEST(XmlFileLoad, EntityReferencesInValuesAreBoundedPerDocument)
{
    auto document = [](int references) {
        std::string text = "<!DOCTYPE r [<!ENTITY e \"ab\">]><r first=\"&e;\">";
        for (int i = 1; i < references; ++i)
            text += "<c v=\"x&e;\"/>";
        return text + "</r>";
    };
    WriteFile("sixteen.xml", document(16));
    XmlTree node(new XmlNode);
    ASSERT_TRUE(node->LoadFile("sixteen.xml"));
    EXPECT_EQ((std::vector<std::string>{"first=ab"}), AttributeList(*node));
    ASSERT_NE(nullptr, node->lastChild);
    EXPECT_EQ((std::vector<std::string>{"v=xab"}), AttributeList(*static_cast<XmlNode*>(node->lastChild)));

    WriteFile("seventeen.xml", document(17));
    XmlTree refused = SentinelNode();
    EXPECT_FALSE(refused->LoadFile("seventeen.xml"));
    EXPECT_TRUE(IsSentinel(*refused));

    // 100 KB referenced 10,000 times: a gigabyte if the value were read.
    WriteFile("blowup.xml", "<!DOCTYPE r [<!ENTITY a \"" + std::string(100000, 'x') + "\">]><r v=\"" +
                                [] {
                                    std::string refs;
                                    for (int i = 0; i < 10000; ++i)
                                        refs += "&a;";
                                    return refs;
                                }() +
                                "\"/>");
    const DWORD start = GetTickCount();
    XmlTree blowup = SentinelNode();
    EXPECT_FALSE(blowup->LoadFile("blowup.xml"));
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(IsSentinel(*blowup));
}

TEST(XmlFileSize, FilesUpToTheLimitAreReadableLargerOnesFoldersAndMissingOnesNot)
{
    const size_t limit = static_cast<size_t>(kMaxReadableXmlFileBytes);
    WriteFile("at-limit.xml", std::string(limit, ' '));
    WriteFile("over-limit.xml", std::string(limit + 1, ' '));
    CreateDirectoryA("folder.xml", nullptr);
    DeleteFileA("missing.xml");
    EXPECT_TRUE(IsReadableXmlFileSize("at-limit.xml"));
    EXPECT_FALSE(IsReadableXmlFileSize("over-limit.xml"));
    EXPECT_FALSE(IsReadableXmlFileSize("folder.xml"));
    EXPECT_FALSE(IsReadableXmlFileSize("missing.xml"));
}

TEST(XmlFileLoad, FileNameInAnsiCodePageAndRelativeToCurrentDirectory)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "expects the ANSI code page 1252, have " << GetACP();
    CreateDirectoryA("relative", nullptr);
    WriteFile("relative\\caf\xE9.xml", "<caf\xC3\xA9 id=\"x\"/>");  // the content is UTF-8
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA("relative"));
    XmlTree node(new XmlNode);
    const bool loaded = node->LoadFile("caf\xE9.xml");
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(loaded);
    EXPECT_EQ("caf\xE9", node->Name());
}

TEST(XmlFileLoad, ExistingContentStaysAndFileContentFollows)
{
    WriteFile("append.xml", "<fresh kept=\"file\"><fromFile/></fresh>");
    XmlTree node = SentinelNode();
    ASSERT_TRUE(node->LoadFile("append.xml"));
    EXPECT_EQ("fresh", node->Name());
    EXPECT_EQ(0, node->reserved);
    EXPECT_EQ((std::vector<std::string>{"kept=yes", "kept=file"}), AttributeList(*node));
    const std::vector<XmlNode*> children = Children(*node);
    ASSERT_EQ(2u, children.size());
    EXPECT_EQ("keptChild", children[0]->Name());
    EXPECT_EQ("fromFile", children[1]->Name());
}

::testing::AssertionResult IsChainOfDepth(const XmlNode& root, int depth)
{
    int levels = 0;
    for (const XmlNode* level = &root; level; level = level->FirstChild()) {
        if (level->FirstChild() != level->lastChild)
            return ::testing::AssertionFailure() << "level " << levels << " has more than one child";
        ++levels;
    }
    if (levels != depth)
        return ::testing::AssertionFailure() << "expected depth " << depth << ", got " << levels;
    return ::testing::AssertionSuccess();
}

TEST(XmlFileLoad, NestingAsDeepAsTheParserAllows)
{
    constexpr int kDepth = 256;
    std::string text;
    for (int i = 0; i < kDepth; ++i)
        text += "<e>";
    for (int i = 0; i < kDepth; ++i)
        text += "</e>";
    WriteFile("deep.xml", text);
    XmlTree node(new XmlNode);
    ASSERT_TRUE(node->LoadFile("deep.xml"));
    EXPECT_TRUE(IsChainOfDepth(*node, kDepth));

    // Far deeper: the parser may refuse it, and then nothing is touched.
    text.clear();
    for (int i = 0; i < 100000; ++i)
        text += "<e>";
    for (int i = 0; i < 100000; ++i)
        text += "</e>";
    WriteFile("deeper.xml", text);
    XmlTree deeper = SentinelNode();
    if (!deeper->LoadFile("deeper.xml")) {
        EXPECT_TRUE(IsSentinel(*deeper));
    }
}

// A document built through the DOM, deeper than any file the parser accepts.
constexpr int kDomDepth = 20000;

struct DeepFill {
    IXMLDOMNode* root = nullptr;
    int depth = 0;
    bool raised = false;
};

DWORD WINAPI FillOnSmallStack(void* context)
{
    auto& fill = *static_cast<DeepFill*>(context);
    try {
        XmlTree node(new XmlNode);
        node->FillFromDom(fill.root);
        for (const XmlNode* level = node.get(); level; level = level->FirstChild())
            ++fill.depth;
    } catch (...) {
        fill.raised = true;
    }
    return 0;
}

TEST(XmlFileFill, DomNestedThousandsOfLevelsFillsOnASmallStack)
{
    ComPtr<IXMLDOMDocument> document;
    ASSERT_EQ(S_OK, CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentInterface,
                                     document.ReceiveVoid()));
    Bstr name(SysAllocString(L"e"));
    ComPtr<IXMLDOMElement> rootElement;
    ASSERT_EQ(S_OK, document->createElement(name.Get(), rootElement.Receive()));
    ComPtr<IXMLDOMNode> root;
    ASSERT_EQ(S_OK, rootElement->QueryInterface(kDomNodeInterface, root.ReceiveVoid()));
    {
        ComPtr<IXMLDOMNode> current;
        root->QueryInterface(kDomNodeInterface, current.ReceiveVoid());
        for (int level = 1; level < kDomDepth; ++level) {
            ComPtr<IXMLDOMElement> element;
            ASSERT_EQ(S_OK, document->createElement(name.Get(), element.Receive()));
            ComPtr<IXMLDOMNode> appended;
            ASSERT_EQ(S_OK, current->appendChild(element.Get(), appended.Receive()));
            current = std::move(appended);
        }
    }
    DeepFill fill;
    fill.root = root.Get();
    // 256 KiB: one frame per level would need many times that.
    HANDLE thread = CreateThread(nullptr, 256 * 1024, FillOnSmallStack, &fill, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(fill.raised);
    EXPECT_EQ(kDomDepth, fill.depth);
}

struct NoComOutcome {
    bool raised = false;
    HRESULT code = S_OK;
    bool unchanged = false;
};

DWORD WINAPI LoadWithoutCom(void* context)
{
    auto& outcome = *static_cast<NoComOutcome*>(context);
    XmlTree node = SentinelNode();
    try {
        node->LoadFile("no_com.xml");
    } catch (const ComError& error) {
        outcome.raised = true;
        outcome.code = error.Code();
    }
    outcome.unchanged = IsSentinel(*node);
    return 0;
}

TEST(XmlFileLoad, ThreadWithoutComRaisesComError)
{
    WriteFile("no_com.xml", "<r Path=\"x.dll\"/>");
    NoComOutcome outcome;
    HANDLE thread = CreateThread(nullptr, 0, LoadWithoutCom, &outcome, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(CO_E_NOTINITIALIZED, outcome.code) << std::hex << outcome.code;
    EXPECT_TRUE(outcome.unchanged);
}

}  // namespace
