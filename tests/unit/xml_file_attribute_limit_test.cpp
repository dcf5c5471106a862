// The attribute bound checked on a file's bytes before the parser reads them.
#include <gtest/gtest.h>

#include <string>

#include "xml/attribute_limit.h"

namespace {
bool Bounded(const std::string& bytes)
{
    return AttributesBounded(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string Element(int attributes)
{
    std::string text = "<Language Path=\"Deutsch.dll\"";
    for (int i = 1; i < attributes; ++i)
        text += " a" + std::to_string(i) + "=\"1\"";
    return text + "/>";
}

std::string Utf16(const std::string& text, bool littleEndian)
{
    std::string wide = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : text)
        wide += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    return wide;
}

TEST(AttributeLimit, RealFilesOfAnySizePassWhateverTheirEncoding)
{
    std::string large = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<Language Path=\"Deutsch.dll\">";
    while (large.size() < 4 * 1024 * 1024)
        large += "<String Id=\"12345\" Text=\"Gr&#246;&#223;e &amp; Breite\"/>\r\n";
    large += "</Language>";
    EXPECT_TRUE(Bounded(large));
    EXPECT_TRUE(Bounded("<!DOCTYPE r [<!ENTITY lib \"fran&#231;ais.dll\">]><r Path=\"&lib;\" sym=\"&amp;&lt;\"/>"));
    EXPECT_TRUE(Bounded("\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?><r/>"));
    EXPECT_TRUE(Bounded(Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + Element(kMaxAttributesPerElement), true)));
    EXPECT_TRUE(Bounded(Element(kMaxAttributesPerElement)));
    EXPECT_TRUE(Bounded(""));
}

TEST(AttributeLimit, OneElementBeyondTheLimitIsRefusedInAnyForm)
{
    const std::string many = Element(kMaxAttributesPerElement + 1);
    EXPECT_FALSE(Bounded(many));
    EXPECT_FALSE(Bounded("<r><a/>" + many + "</r>"));
    EXPECT_FALSE(Bounded(Utf16(many, true)));
    EXPECT_FALSE(Bounded(Utf16(many, false)));
    // The BOM-less UTF-16 start that the parser recognises.
    EXPECT_FALSE(Bounded(Utf16("<?xml version=\"1.0\"?>" + many, true).substr(2)));
    // "=" written as a character reference in an entity value becomes markup where it is used.
    std::string hidden = "<!DOCTYPE r [<!ENTITY e \"<r";
    for (int i = 0; i <= kMaxAttributesPerElement; ++i)
        hidden += " a" + std::to_string(i) + "&#61;'1'";
    EXPECT_FALSE(Bounded(hidden + "/>\">]><r>&e;</r>"));
}

TEST(AttributeLimit, DeclaredDefaultsCountOverTheDocument)
{
    std::string declarations = "<!DOCTYPE r [";
    for (int i = 0; i * 2 <= kMaxDeclarationMarks; ++i)
        declarations += "<!ATTLIST r a" + std::to_string(i) + " CDATA \"1\">";
    EXPECT_FALSE(Bounded(declarations + "]><r/>"));
    EXPECT_TRUE(Bounded("<!DOCTYPE r [<!ATTLIST r a CDATA \"1\" b CDATA #IMPLIED>]><r/>"));
}

TEST(AttributeLimit, EncodingsThatCouldHideTheMarksAreRefused)
{
    EXPECT_FALSE(Bounded("<?xml version=\"1.0\" encoding=\"UTF-7\"?><r a+AD0-\"1\"/>"));
    EXPECT_FALSE(Bounded("<?xml version=\"1.0\" encoding=\"IBM037\"?><r/>"));
    EXPECT_FALSE(Bounded(std::string("\x4C\x6F\xA7\x94", 4)));                 // EBCDIC "<?xm"
    EXPECT_FALSE(Bounded(std::string("\x00\x00\x00\x3C\x00\x00\x00\x3F", 8)));  // UCS-4
    EXPECT_FALSE(Bounded(Utf16("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>", true)));
}
}  // namespace
