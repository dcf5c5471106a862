// Parameter lists through the real registry, INI profile functions and XML nodes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "params/parameter_list.h"
#include "platform/handles.h"
#include "tools/shared/comma_locale.h"
#include "xml/xml_node.h"

namespace {

const char kScratchKey[] = "Software\\BandRejectTests\\ParameterList";
// The SDK's constants are pasted literals that clang-tidy misreads inside macro arguments.
constexpr LONG kRegistryOk = ERROR_SUCCESS;

std::string TempIni(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + name;
    DeleteFileA(path.c_str());
    return path;
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct RegistryValue {
    DWORD type = 0xdeadbeef;
    std::string bytes;
    bool present = false;
};

RegistryValue ReadValue(const char* name)
{
    RegistryValue value;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return value;
    char data[4096];
    DWORD size = sizeof data;
    value.present = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) ==
                    ERROR_SUCCESS;
    value.bytes.assign(data, value.present ? size : 0);
    return value;
}

// Every child of node as "name=text of Value"; a child that holds anything but its one "Value"
// attribute shows up as "name: N attributes".
std::vector<std::string> ChildTexts(const XmlNode& node)
{
    std::vector<std::string> texts;
    for (const XmlNode* child = node.FirstChild(); child; child = child->NextSibling()) {
        if (child->attributes.Size() != 1 || child->attributes[0].name.Str() != "Value")
            texts.push_back(child->Name() + ": " + std::to_string(child->attributes.Size()) + " attributes");
        else
            texts.push_back(child->Name() + "=" + child->attributes[0].value.Str());
    }
    return texts;
}

// One variable of every keyword's type; a double written where the float is spills into the
// guard behind it.
struct EveryType {
    uint32_t uintValue = 0xdeadbeef;
    uint32_t dwordValue = 0xdeadbeef;
    int32_t intValue = 0x5eed;
    float floatValue = -9.5f;
    uint32_t floatGuard = 0xdeadbeef;
    double doubleValue = -9.5;
    std::string stringValue = "sentinel";
    LssBlock lssValue{0xdeadbeef, nullptr};
};

const char* const kEveryName[] = {"U", "D", "I", "F", "Dbl", "S", "Curve"};
const char kEveryFormat[] = "UINT dword Int FLOAT double String lss";

bool LoadEvery(XmlNode* node, EveryType& v)
{
    LoadParameters(nullptr, nullptr, nullptr, node, kEveryName, kEveryFormat, &v.uintValue, &v.dwordValue,
                   &v.intValue, &v.floatValue, &v.doubleValue, &v.stringValue, &v.lssValue);
    return v.floatGuard == 0xdeadbeef;
}

struct ParameterLists : ::testing::Test {
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey); }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        DeleteFileA(ini.c_str());
    }
    std::string ini = TempIni("bandreject_params.ini");
};

const char* const kFour[] = {"DryOut", "Volume2", "CutOffFreq", "BandWidth"};

TEST_F(ParameterLists, IniSaveWritesSignedDecimalKeysInOrder)
{
    uint32_t values[4] = {32767, 4294967295u, 1000, 400};
    EXPECT_TRUE(SaveParameters(ini.c_str(), "Band", nullptr, nullptr, kFour, "DWORD DWORD DWORD DWORD", &values[0],
                               &values[1], &values[2], &values[3]));
    EXPECT_EQ(FileText(ini), "[Band]\r\nDryOut=32767\r\nVolume2=-1\r\nCutOffFreq=1000\r\nBandWidth=400\r\n");
    uint32_t back[4] = {1, 2, 3, 4};
    LoadParameters(ini.c_str(), "band", nullptr, nullptr, kFour, "dword Dword DWORD uint", &back[0], &back[1],
                   &back[2], &back[3]);
    EXPECT_EQ(std::vector<uint32_t>(back, back + 4), std::vector<uint32_t>(values, values + 4));
}

TEST_F(ParameterLists, FormatWalkQuirks)
{
    WriteFileText(ini, "[S]\r\nA=1\r\nB=2\r\nC=3\r\nD=4\r\n");
    const char* const names[] = {"A", "B", "C", "D"};
    const struct {
        const char* format;
        std::vector<uint32_t> expected;
    } rows[] = {
        {"DWORD  DWORD", {1, 0xbd, 3, 0xbd}},       // the empty token consumes B and its pointer
        {"DWORD ", {1, 0xbd, 0xbd, 0xbd}},          // a trailing space adds nothing
        {" DWORD", {0xbd, 2, 0xbd, 0xbd}},          // a leading space is an empty token
        {"DWORD WORD INT", {1, 0xbd, 3, 0xbd}},     // an unknown keyword is skipped with its name
        {"", {0xbd, 0xbd, 0xbd, 0xbd}},
        {"int UINT dWoRd INT", {1, 2, 3, 4}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        uint32_t v[4] = {0xbd, 0xbd, 0xbd, 0xbd};
        LoadParameters(ini.c_str(), "S", nullptr, nullptr, names, row.format, &v[0], &v[1], &v[2], &v[3]);
        EXPECT_EQ(std::vector<uint32_t>(v, v + 4), row.expected);
    }
}

TEST_F(ParameterLists, FormatOfAnyLengthIsWalkedWhole)
{
    std::string format;
    std::vector<std::string> nameTexts;
    for (int k = 0; k < 300; ++k) {
        format += "UNKNOWNWORD ";
        nameTexts.push_back("skip" + std::to_string(k));
    }
    format += "DWORD";
    nameTexts.push_back("Last");
    std::vector<const char*> names;
    names.reserve(nameTexts.size());
    for (const auto& n : nameTexts)
        names.push_back(n.c_str());
    XmlTree node(new XmlNode);
    uint32_t value = 77;
    // Every token takes a pointer: the same one 301 times.
    auto save = [&](const char* f) {
        return SaveParameters(nullptr, nullptr, nullptr, node.get(), names.data(), f,
#define P10 &value, &value, &value, &value, &value, &value, &value, &value, &value, &value
                              P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10,
                              P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, P10, &value);
#undef P10
    };
    EXPECT_GT(format.size(), 1024u);
    EXPECT_TRUE(save(format.c_str()));
    ASSERT_NE(node->FindChild("Last"), nullptr);
    EXPECT_EQ(node->FirstChild(), node->lastChild);
}

TEST_F(ParameterLists, StoreChoiceUsesOnlyTheFirstGiven)
{
    XmlTree node(new XmlNode);
    const char* const names[] = {"CutOffFreq"};
    uint32_t value = 1234;
    EXPECT_TRUE(SaveParameters(ini.c_str(), kScratchKey, HKEY_CURRENT_USER, node.get(), names, "DWORD", &value));
    EXPECT_NE(node->FindChild("CutOffFreq"), nullptr);
    EXPECT_FALSE(ReadValue("CutOffFreq").present);
    EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_TRUE(SaveParameters(ini.c_str(), kScratchKey, HKEY_CURRENT_USER, nullptr, names, "DWORD", &value));
    EXPECT_TRUE(ReadValue("CutOffFreq").present);
    EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ParameterLists, StoreChoiceOnLoadUsesOnlyTheFirstGiven)
{
    const char kMissingKey[] = "Software\\BandRejectTests\\ParameterList\\Missing";
    const char* const names[] = {"CutOffFreq"};
    XmlTree node(new XmlNode);
    node->SetDword("CutOffFreq", 1);
    {
        RegistryKey key;
        const LONG created = RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                             key.Receive(), nullptr);
        ASSERT_EQ(created, kRegistryOk);
        const DWORD two = 2;
        RegSetValueExA(key, "CutOffFreq", 0, REG_NONE, reinterpret_cast<const BYTE*>(&two), 4);
    }
    // The INI sections are named like the registry keys, so each row differs only in its stores.
    WriteFileText(ini, std::string("[") + kScratchKey + "]\r\nCutOffFreq=3\r\n[" + kMissingKey +
                           "]\r\nCutOffFreq=4\r\n");
    const struct {
        const char* what;
        XmlNode* node;
        HKEY rootKey;
        const char* fileName;
        const char* keyName;
        uint32_t expected;
    } rows[] = {
        {"all three", node.get(), HKEY_CURRENT_USER, ini.c_str(), kScratchKey, 1},
        {"node and file", node.get(), nullptr, ini.c_str(), kScratchKey, 1},
        {"registry and file", nullptr, HKEY_CURRENT_USER, ini.c_str(), kScratchKey, 2},
        {"a missing registry key is not replaced by the file", nullptr, HKEY_CURRENT_USER, ini.c_str(), kMissingKey,
         0xbd},
        {"file only", nullptr, nullptr, ini.c_str(), kMissingKey, 4},
        {"none", nullptr, nullptr, nullptr, kScratchKey, 0xbd},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        uint32_t value = 0xbd;
        LoadParameters(row.fileName, row.keyName, row.rootKey, row.node, names, "DWORD", &value);
        EXPECT_EQ(value, row.expected);
    }
}

TEST_F(ParameterLists, RegistryHoldsFourByteRegNoneValues)
{
    uint32_t missing[2] = {0xdeadbeef, 0xdeadbeef};
    LoadParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, kFour, "DWORD INT", &missing[0], &missing[1]);
    EXPECT_EQ(missing[0], 0xdeadbeefu);
    EXPECT_EQ(missing[1], 0xdeadbeefu);

    uint32_t dryOut = 0x01020304;
    int32_t volume2 = -2;
    EXPECT_TRUE(SaveParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, kFour, "UINT INT", &dryOut, &volume2));
    const RegistryValue stored = ReadValue("DryOut");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(stored.bytes, std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(ReadValue("Volume2").bytes, std::string("\xFE\xFF\xFF\xFF", 4));

    // A REG_DWORD, a 2-byte value and one too large for the variable.
    RegistryKey key;
    const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, KEY_WRITE, key.Receive());
    ASSERT_EQ(opened, kRegistryOk);
    const DWORD dword = 5000;
    RegSetValueExA(key, "CutOffFreq", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4);
    RegSetValueExA(key, "BandWidth", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x11\x22"), 2);
    RegSetValueExA(key, "DryOut", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x11\x22\x33\x44\x55"), 5);
    uint32_t v[4] = {0xdeadbeef, 0, 0, 0xAAAAAAAA};
    LoadParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, kFour, "DWORD INT DWORD DWORD", &v[0], &v[1],
                   &v[2], &v[3]);
    EXPECT_EQ(v[0], 0xdeadbeefu) << "a value larger than 4 bytes leaves the variable";
    EXPECT_EQ(v[1], 0xFFFFFFFEu);
    EXPECT_EQ(v[2], 5000u);
    EXPECT_EQ(v[3], 0xAAAA2211u);
}

TEST_F(ParameterLists, RegistryKeepsOtherTypesInTheirRawOrTextForms)
{
    const char* const names[] = {"F", "D", "S", "Empty", "Curve"};
    const float f = 3.14159265f;            // 0x40490FDB
    const double d = 3.141592653589793;     // 0x400921FB54442D18
    const std::string s = "band reject";
    const std::string empty;
    uint8_t bytes[] = {0x00, 0x7F, 0xA5};
    const LssBlock curve{3, bytes};
    EXPECT_TRUE(SaveParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, names,
                               "FLOAT DOUBLE STRING STRING LSS", &f, &d, &s, &empty, &curve));
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } rows[] = {
        {"F", REG_NONE, std::string("\xDB\x0F\x49\x40", 4)},
        {"D", REG_NONE, std::string("\x18\x2D\x44\x54\xFB\x21\x09\x40", 8)},
        {"S", REG_SZ, std::string("band reject\0", 12)},
        {"Empty", REG_SZ, std::string("\0", 1)},
        {"SIZE_LSS_Curve", REG_NONE, std::string("\x03\0\0\0", 4)},
        {"DATA_LSS_Curve", REG_BINARY, std::string("\x00\x7F\xA5", 3)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RegistryValue stored = ReadValue(row.name);
        ASSERT_TRUE(stored.present);
        EXPECT_EQ(stored.type, row.type);
        EXPECT_EQ(stored.bytes, row.bytes);
    }

    // The raw forms keep every bit, unlike the six digits of the text forms.
    struct {
        float value = 0;
        uint32_t guard = 0xdeadbeef;
    } f2;
    double d2 = 0;
    std::string s2 = "sentinel", empty2 = "sentinel";
    LssBlock curve2{0xdeadbeef, nullptr};
    LoadParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, names, "FLOAT DOUBLE STRING STRING LSS", &f2.value,
                   &d2, &s2, &empty2, &curve2);
    EXPECT_EQ(f2.value, f);
    EXPECT_EQ(f2.guard, 0xdeadbeefu) << "a float takes 4 bytes";
    EXPECT_EQ(d2, d);
    EXPECT_EQ(s2, s);
    EXPECT_EQ(empty2, "");
    ASSERT_EQ(curve2.size, 3u);
    ASSERT_NE(curve2.data, nullptr);
    EXPECT_EQ(std::memcmp(curve2.data, bytes, 3), 0);
    ::operator delete(curve2.data);
}

TEST_F(ParameterLists, SaveFailsWhenTheRegistryKeyCannotBeCreated)
{
    const char* const names[] = {"A"};
    uint32_t value = 1;
    const HKEY notAKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
    EXPECT_FALSE(SaveParameters(nullptr, "Sub", notAKey, nullptr, names, "DWORD", &value));
    EXPECT_TRUE(SaveParameters(nullptr, "Sub", nullptr, nullptr, names, "DWORD", &value)) << "no store at all";
}

TEST_F(ParameterLists, IniFloatsDoublesAndStrings)
{
    const char* const names[] = {"F", "D", "S", "Long"};
    float f = 0.1234567f;
    double d = 1e-5;
    std::string s = "sentinel";
    std::string longText(5000, 'x');
    longText += "end";
    LoadParameters(ini.c_str(), "S", nullptr, nullptr, names, "FLOAT DOUBLE STRING", &f, &d, &s);
    EXPECT_EQ(f, 0.123457f) << "a missing float is its own text read back";
    EXPECT_EQ(d, 1e-5);
    EXPECT_EQ(s, "") << "a missing string is empty";

    f = 2.5f;
    d = -123456789.0;
    s = "text with = and spaces";
    EXPECT_TRUE(SaveParameters(ini.c_str(), "S", nullptr, nullptr, names, "FLOAT DOUBLE STRING STRING", &f, &d, &s,
                               &longText));
    EXPECT_EQ(FileText(ini), "[S]\r\nF=2.5\r\nD=-1.23457e+008\r\nS=text with = and spaces\r\nLong=" + longText + "\r\n");
    float f2 = 0;
    double d2 = 0;
    std::string s2, long2;
    LoadParameters(ini.c_str(), "S", nullptr, nullptr, names, "FLOAT DOUBLE STRING STRING", &f2, &d2, &s2, &long2);
    EXPECT_EQ(f2, 2.5f);
    EXPECT_EQ(d2, -123457000.0);
    EXPECT_EQ(s2, s);
    EXPECT_EQ(long2, longText.substr(0, 1023)) << "a long text is read up to 1023 characters";
}

TEST_F(ParameterLists, IniNumbersIgnoreTheHostsLocale)
{
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "this platform has no German locale";
    const char* const names[] = {"F", "D"};
    float f = 0.5f;
    double d = 1234.5678;
    SaveParameters(ini.c_str(), "S", nullptr, nullptr, names, "FLOAT DOUBLE", &f, &d);
    const std::string saved = FileText(ini);
    WriteFileText(ini, "[S]\r\nF=0.25\r\n");
    float f2 = 0;
    double d2 = 9.75;  // missing: its own text read back
    LoadParameters(ini.c_str(), "S", nullptr, nullptr, names, "FLOAT DOUBLE", &f2, &d2);
    EXPECT_EQ(saved, "[S]\r\nF=0.5\r\nD=1234.57\r\n");
    EXPECT_EQ(f2, 0.25f);
    EXPECT_EQ(d2, 9.75);
}

TEST_F(ParameterLists, LssBlocksInEveryStore)
{
    const char* const names[] = {"Curve"};
    uint8_t bytes[] = {0x00, 0x7F, 0xA5, 0xFF};
    LssBlock saved{4, bytes};
    XmlTree node(new XmlNode);

    EXPECT_TRUE(SaveParameters(ini.c_str(), "L", nullptr, nullptr, names, "LSS", &saved));
    EXPECT_TRUE(SaveParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, names, "LSS", &saved));
    EXPECT_TRUE(SaveParameters(nullptr, nullptr, nullptr, node.get(), names, "LSS", &saved));
    EXPECT_NE(FileText(ini).find("SIZE_LSS_Curve=4\r\n"), std::string::npos);
    std::string data;
    EXPECT_TRUE(node->GetString("DATA_LSS_Curve", data));
    EXPECT_EQ(data, "007FA5FF");

    for (int store = 0; store < 3; ++store) {
        SCOPED_TRACE(store);
        LssBlock loaded{0xdeadbeef, nullptr};
        if (store == 0)
            LoadParameters(ini.c_str(), "L", nullptr, nullptr, names, "LSS", &loaded);
        else if (store == 1)
            LoadParameters(nullptr, kScratchKey, HKEY_CURRENT_USER, nullptr, names, "LSS", &loaded);
        else
            LoadParameters(nullptr, nullptr, nullptr, node.get(), names, "LSS", &loaded);
        ASSERT_EQ(loaded.size, 4u);
        ASSERT_NE(loaded.data, nullptr);
        EXPECT_EQ(std::memcmp(loaded.data, bytes, 4), 0);
        ::operator delete(loaded.data);
    }
}

TEST_F(ParameterLists, LssSizesTooLargeOrMissing)
{
    const char* const names[] = {"Curve"};
    WriteFileText(ini, "[L]\r\nSIZE_LSS_Curve=-1\r\n");
    XmlTree node(new XmlNode);
    node->SetDword("SIZE_LSS_Curve", 0xFFFFFFF0u);
    for (XmlNode* xml : {static_cast<XmlNode*>(nullptr), node.get()}) {
        LssBlock loaded{0xdeadbeef, reinterpret_cast<uint8_t*>(1)};
        LoadParameters(ini.c_str(), "L", nullptr, xml, names, "LSS", &loaded);
        EXPECT_EQ(loaded.size, 0u);
        EXPECT_EQ(loaded.data, nullptr);
    }
    XmlTree empty(new XmlNode);
    LssBlock missing{0xdeadbeef, reinterpret_cast<uint8_t*>(1)};
    LoadParameters(nullptr, nullptr, nullptr, empty.get(), names, "LSS", &missing);
    EXPECT_EQ(missing.size, 0u);
    EXPECT_EQ(missing.data, nullptr);

    // An INI file without the size key gives a new zero-length block, not null: in a section
    // that lacks the key and in a file that does not exist.
    const char* const otherNames[] = {"Other"};
    const std::string absentFile = TempIni("bandreject_params_absent.ini");
    for (const std::string& file : {ini, absentFile}) {
        SCOPED_TRACE(file);
        uint8_t old = 0xbd;
        LssBlock first{0xdeadbeef, &old};
        LoadParameters(file.c_str(), "L", nullptr, nullptr, otherNames, "LSS", &first);
        EXPECT_EQ(first.size, 0u);
        EXPECT_NE(first.data, nullptr);
        EXPECT_NE(first.data, &old);
        LssBlock second = first;
        LoadParameters(file.c_str(), "L", nullptr, nullptr, otherNames, "LSS", &second);
        EXPECT_EQ(second.size, 0u);
        EXPECT_NE(second.data, nullptr);
        EXPECT_NE(second.data, first.data) << "each load hands out a block of its own";
        EXPECT_EQ(old, 0xbd);
        ::operator delete(first.data);
        ::operator delete(second.data);
    }
    EXPECT_EQ(GetFileAttributesA(absentFile.c_str()), INVALID_FILE_ATTRIBUTES) << "a load creates no file";
}

TEST_F(ParameterLists, XmlSaveAppendsOnceAndUpdatesInPlace)
{
    XmlTree node(new XmlNode);
    XmlNode* existing = node->AddChild("dryout");
    uint32_t v[4] = {1, 2, 3, 4};
    EXPECT_TRUE(SaveParameters(nullptr, nullptr, nullptr, node.get(), kFour, "DWORD DWORD DWORD DWORD", &v[0], &v[1],
                               &v[2], &v[3]));
    v[2] = 30;
    EXPECT_TRUE(SaveParameters(nullptr, nullptr, nullptr, node.get(), kFour, "DWORD DWORD DWORD DWORD", &v[0], &v[1],
                               &v[2], &v[3]));
    std::vector<std::string> children;
    for (XmlNode* c = node->FirstChild(); c; c = c->NextSibling()) {
        std::string value;
        c->GetAttribute("Value", value);
        children.push_back(c->Name() + "=" + value);
        EXPECT_EQ(c->attributes.Size(), 1u);
    }
    EXPECT_EQ(children, (std::vector<std::string>{"dryout=1", "Volume2=2", "CutOffFreq=30", "BandWidth=4"}));
    EXPECT_EQ(node->FirstChild(), existing);
}

TEST_F(ParameterLists, XmlStoreKeepsEveryKeywordInItsTextForm)
{
    XmlTree node(new XmlNode);
    uint8_t bytes[] = {0x00, 0x7F, 0xA5, 0xFF};
    EveryType saved;
    saved.uintValue = 4294967295u;
    saved.dwordValue = 2147483648u;
    saved.intValue = -17;
    saved.floatValue = 1234.5678f;
    saved.doubleValue = 1.23456789e-300;  // no float comes near it
    saved.stringValue = "two words & <angle> \"quotes\"";
    saved.lssValue = {4, bytes};
    EXPECT_TRUE(SaveParameters(nullptr, nullptr, nullptr, node.get(), kEveryName, kEveryFormat, &saved.uintValue,
                               &saved.dwordValue, &saved.intValue, &saved.floatValue, &saved.doubleValue,
                               &saved.stringValue, &saved.lssValue));
    EXPECT_EQ(ChildTexts(*node), (std::vector<std::string>{
                                     "U=-1",
                                     "D=-2147483648",
                                     "I=-17",
                                     "F=1234.57",
                                     "Dbl=1.23457e-300",
                                     "S=two words & <angle> \"quotes\"",
                                     "SIZE_LSS_Curve=4",
                                     "DATA_LSS_Curve=007FA5FF",
                                 }));

    EveryType loaded;
    EXPECT_TRUE(LoadEvery(node.get(), loaded)) << "a guard was overwritten";
    EXPECT_EQ(loaded.uintValue, 4294967295u);
    EXPECT_EQ(loaded.dwordValue, 2147483648u);
    EXPECT_EQ(loaded.intValue, -17);
    EXPECT_EQ(loaded.floatValue, 1234.57f);
    EXPECT_EQ(loaded.doubleValue, 1.23457e-300);
    EXPECT_EQ(loaded.stringValue, saved.stringValue);
    ASSERT_EQ(loaded.lssValue.size, 4u);
    ASSERT_NE(loaded.lssValue.data, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(loaded.lssValue.data, loaded.lssValue.data + 4),
              std::vector<uint8_t>(bytes, bytes + 4));
    ::operator delete(loaded.lssValue.data);
}

TEST_F(ParameterLists, XmlLoadReadsTextsOfOtherWritersAndKeepsWhatIsMissing)
{
    // Texts as another writer may have left them, in children spelled in other letter case.
    XmlTree node(new XmlNode);
    const char* const texts[][2] = {
        {"u", " 2000000000"}, {"d", "-2"},          {"i", "+42xyz"},        {"f", "2.5e2"},
        {"DBL", "1e-300"},    {"s", " kept as is "}, {"size_lss_curve", "3"}, {"data_lss_curve", "0aFf"},
    };
    for (const auto& text : texts)
        node->AddChild(text[0])->SetAttribute("VALUE", text[1]);
    EveryType loaded;
    EXPECT_TRUE(LoadEvery(node.get(), loaded)) << "a guard was overwritten";
    EXPECT_EQ(loaded.uintValue, 2000000000u);
    EXPECT_EQ(loaded.dwordValue, 4294967294u);
    EXPECT_EQ(loaded.intValue, 42);
    EXPECT_EQ(loaded.floatValue, 250.0f);
    EXPECT_EQ(loaded.doubleValue, 1e-300) << "a double below every float";
    EXPECT_EQ(loaded.stringValue, " kept as is ");
    ASSERT_EQ(loaded.lssValue.size, 3u);
    ASSERT_NE(loaded.lssValue.data, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(loaded.lssValue.data, loaded.lssValue.data + 3),
              (std::vector<uint8_t>{0x0A, 0xFF, 0x00}))
        << "bytes that the text does not cover are zero";
    ::operator delete(loaded.lssValue.data);

    // An empty node: every variable keeps its value, a byte block becomes null.
    XmlTree empty(new XmlNode);
    EveryType untouched;
    EXPECT_TRUE(LoadEvery(empty.get(), untouched));
    const EveryType fresh;
    EXPECT_EQ(untouched.uintValue, fresh.uintValue);
    EXPECT_EQ(untouched.dwordValue, fresh.dwordValue);
    EXPECT_EQ(untouched.intValue, fresh.intValue);
    EXPECT_EQ(untouched.floatValue, fresh.floatValue);
    EXPECT_EQ(untouched.doubleValue, fresh.doubleValue);
    EXPECT_EQ(untouched.stringValue, fresh.stringValue);
    EXPECT_EQ(untouched.lssValue.size, 0u);
    EXPECT_EQ(untouched.lssValue.data, nullptr);
    EXPECT_EQ(empty->FirstChild(), nullptr) << "a load adds nothing";
}

}  // namespace
