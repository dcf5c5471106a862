// Typed values as the text of "Value" attributes of child elements.
#include <gtest/gtest.h>

#include "tools/shared/comma_locale.h"
#include "xml/xml_node.h"

namespace {

std::string ValueText(const XmlNode& node, const char* child)
{
    std::string text = "<missing>";
    const XmlNode* element = node.FindChild(child);
    if (element)
        element->GetAttribute("Value", text);
    return text;
}

struct XmlValues : ::testing::Test {
    XmlTree node{new XmlNode};
};

TEST_F(XmlValues, IntegersAreSignedDecimalAndKeepAll32Bits)
{
    const struct {
        uint32_t value;
        const char* text;
    } rows[] = {{0, "0"}, {1000, "1000"}, {2147483647u, "2147483647"}, {2147483648u, "-2147483648"},
                {4294967295u, "-1"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        node->SetDword("DryOut", row.value);
        EXPECT_EQ(ValueText(*node, "DryOut"), row.text);
        uint32_t back = 0xdeadbeef;
        EXPECT_TRUE(node->GetDword("DryOut", back));
        EXPECT_EQ(back, row.value);
        node->SetInt("Signed", static_cast<int32_t>(row.value));
        EXPECT_EQ(ValueText(*node, "Signed"), row.text);
    }
    EXPECT_EQ(node->attributes.Size(), 0u);
    EXPECT_EQ(ValueText(*node, "DryOut"), "-1");
}

TEST_F(XmlValues, IntegerTextsParseLikeAtoi)
{
    const struct {
        const char* text;
        int32_t value;
    } rows[] = {{"42", 42}, {"  -17", -17}, {"+8", 8}, {"42A", 42}, {"A42", 0}, {"", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        node->SetString("n", row.text);
        int32_t value = 0x5eed;
        EXPECT_TRUE(node->GetInt("n", value));
        EXPECT_EQ(value, row.value);
    }
}

TEST_F(XmlValues, FloatsAndDoublesUseSixSignificantDigits)
{
    node->SetDouble("d", 0.1234567891);
    EXPECT_EQ(ValueText(*node, "d"), "0.123457");
    double d = 0;
    EXPECT_TRUE(node->GetDouble("d", d));
    EXPECT_EQ(d, 0.123457);
    node->SetDouble("d", 1e20);
    EXPECT_EQ(ValueText(*node, "d"), "1e+020") << "the shared runtime's exponent form";
    node->SetDouble("d", -2.5e-7);
    EXPECT_EQ(ValueText(*node, "d"), "-2.5e-007");
    node->SetFloat("f", 1000.0f);
    EXPECT_EQ(ValueText(*node, "f"), "1000");
    node->SetFloat("f", 0.1f);
    EXPECT_EQ(ValueText(*node, "f"), "0.1");
    float f = 0;
    EXPECT_TRUE(node->GetFloat("f", f));
    EXPECT_EQ(f, 0.1f);
    node->SetString("f", "  3.5e2xyz");
    EXPECT_TRUE(node->GetFloat("f", f));
    EXPECT_EQ(f, 350.0f);
    node->SetString("f", "not a number");
    EXPECT_TRUE(node->GetFloat("f", f));
    EXPECT_EQ(f, 0.0f);
    node->SetString("long", std::string(150, '0') + "1.5");
    EXPECT_TRUE(node->GetDouble("long", d));
    EXPECT_EQ(d, 1.5) << "a long text is converted whole";
}

TEST_F(XmlValues, NumberTextsIgnoreTheHostsLocale)
{
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "this platform has no German locale";
    node->SetDouble("d", 0.5);
    EXPECT_EQ(ValueText(*node, "d"), "0.5");
    node->SetFloat("f", -2.5e-7f);
    EXPECT_EQ(ValueText(*node, "f"), "-2.5e-007");
    const struct {
        const char* text;
        double value;
    } rows[] = {{"0.5", 0.5}, {"0,5", 0.0}, {"1.5e2x", 150.0}, {"-3.25,7", -3.25}, {" .5", 0.5}, {"1,000.5", 1.0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        node->SetString("d", row.text);
        double d = -1;
        EXPECT_TRUE(node->GetDouble("d", d));
        EXPECT_EQ(d, row.value) << "read as the C locale reads it";
    }
}

TEST_F(XmlValues, ByteBlocksAreUppercaseHexPairs)
{
    const uint8_t bytes[] = {0x00, 0x7F, 0xA5};
    node->SetBytes("b", bytes, 3);
    EXPECT_EQ(ValueText(*node, "b"), "007FA5");
    node->SetBytes("b", bytes, 0);
    EXPECT_EQ(ValueText(*node, "b"), "");
}

TEST_F(XmlValues, ByteBlockDecodingIsLenient)
{
    const struct {
        const char* text;
        int32_t capacity;
        int32_t count;
        std::vector<uint8_t> bytes;
    } rows[] = {
        {"0A1B2C3D4E", 4, 4, {0x0A, 0x1B, 0x2C, 0x3D}},
        {"0A1B2", 8, 2, {0x0A, 0x1B}},
        {"ff", 1, 1, {0xFF}},
        {"ff", 4, 1, {0xFF}},
        {"", 4, 0, {}},
        {"zZ", 2, 1, {0x33}},  // 'z' - 55 = 67 -> 3, 'Z' - 55 = 35 -> 3
        {"0A", 0, 0, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        node->SetString("b", row.text);
        uint8_t buffer[16];
        std::memset(buffer, 0xbd, sizeof buffer);
        ASSERT_EQ(node->GetBytes("b", buffer, row.capacity), row.count);
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + row.count), row.bytes);
        EXPECT_EQ(buffer[row.count], 0xbd) << "nothing written past the count";
    }
}

TEST_F(XmlValues, MissingChildOrValueLeavesTheDestination)
{
    node->AddChild("NoValue")->SetAttribute("Other", "5");
    for (const char* child : {"Absent", "NoValue"}) {
        SCOPED_TRACE(child);
        uint32_t dword = 0xdeadbeef;
        EXPECT_FALSE(node->GetDword(child, dword));
        EXPECT_EQ(dword, 0xdeadbeefu);
        double d = -1;
        EXPECT_FALSE(node->GetDouble(child, d));
        EXPECT_EQ(d, -1);
        std::string s = "sentinel";
        EXPECT_FALSE(node->GetString(child, s));
        EXPECT_EQ(s, "sentinel");
        uint8_t byte = 0xbd;
        EXPECT_EQ(node->GetBytes(child, &byte, 1), 0);
        EXPECT_EQ(byte, 0xbd);
    }
}

TEST_F(XmlValues, WritesReuseAChildOfAnyCaseAndOneValueAttribute)
{
    XmlNode* existing = node->AddChild("CUTOFFFREQ");
    existing->SetAttribute("value", "1");
    node->SetDword("CutOffFreq", 2000);
    node->SetDword("cutofffreq", 3000);
    EXPECT_EQ(node->FirstChild(), existing);
    EXPECT_EQ(node->lastChild, existing);
    EXPECT_EQ(existing->Name(), "CUTOFFFREQ");
    ASSERT_EQ(existing->attributes.Size(), 1u);
    EXPECT_EQ(existing->attributes[0].name.Str(), "value");
    EXPECT_EQ(existing->attributes[0].value.Str(), "3000");
    node->SetString("New", "x");
    EXPECT_EQ(node->lastChild->parent, node.get());
    EXPECT_EQ(static_cast<XmlNode*>(node->lastChild)->Name(), "New");
}

}  // namespace
