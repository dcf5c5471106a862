// Checks of stored state: random settings through the registry, INI files and XML
// nodes and from store to store, second saves, a host that switched the C locale to a comma
// decimal point, and malformed stored values.
#include <windows.h>
#include <shlwapi.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

#include "res/resource_ids.h"
#include "tools/shared/comma_locale.h"
#include "tools/shared/settings_record.h"
#include "tools/validator/campaign.h"
#include "tools/validator/resource_counts.h"
#include "tools/validator/scratch_space.h"
#include "tools/validator/validator_frame.h"
#include "xml/xml_node.h"

namespace {
const char* const kNames[] = {"DryOut", "Volume2", "CutOffFreq", "BandWidth"};
constexpr uint32_t kDefaults[] = {32767, 32767, 1000, 400};
// The documented conversion of a stored level: (x + 0.5) times the double nearest 1/32767.
constexpr double kStoredLevelStep = 3.051850947599719e-05;

double LoadedLevel(uint32_t stored) { return (static_cast<double>(stored) + 0.5) * kStoredLevelStep; }

// The four stored integers of a record as the plug-in loaded them.
struct Stored {
    uint32_t values[4];
};

bool Holds(const EffectSettings& record, const Stored& stored)
{
    return record.dryOut == LoadedLevel(stored.values[0]) && record.volume2 == LoadedLevel(stored.values[1]) &&
           record.cutOffFreq == stored.values[2] && record.bandWidth == stored.values[3];
}

std::string Describe(const Stored& stored)
{
    return "DryOut " + std::to_string(stored.values[0]) + ", Volume2 " + std::to_string(stored.values[1]) +
           ", CutOffFreq " + std::to_string(stored.values[2]) + ", BandWidth " + std::to_string(stored.values[3]);
}

uint32_t RandomStored(std::mt19937& random)
{
    static const uint32_t kEdges[] = {0, 1, 29, 30, 32767, 32768, 65535, 2147483647u, 2147483648u, 4294967295u};
    if (std::uniform_int_distribution<int>(0, 3)(random) == 0)
        return kEdges[std::uniform_int_distribution<size_t>(0, std::size(kEdges) - 1)(random)];
    return random();
}

// The plug-in's stores as a host drives them, in a scratch registry key and folder.
class Stores {
public:
    explicit Stores(const PluginLibrary& plugin) : plugin_(plugin), folder_(ScratchFolder("state")), key_("State") {}
    Stores(const Stores&) = delete;
    Stores& operator=(const Stores&) = delete;

    std::string Ini(const std::string& name) const { return folder_ + name + ".ini"; }
    std::string Key(const std::string& name) const { return key_.Path() + "\\" + name; }

    // A record the plug-in made: from the INI file (section "Band"), the registry key or the node.
    EffectSettings FromIni(const std::string& path) const { return Take(LoadPresetFrom(path.c_str(), "Band", nullptr)); }
    EffectSettings FromRegistry(const std::string& key) const
    {
        return Take(LoadPresetFrom(nullptr, key.c_str(), HKEY_CURRENT_USER));
    }
    EffectSettings FromXml(XmlNode& node) const
    {
        EffectSettings* record = nullptr;
        plugin_.InitializeXml(&node, &record);
        return Take(record);
    }
    void ToIni(const std::string& path, const EffectSettings& record) const
    {
        plugin_.SavePreset(path.c_str(), "Band", nullptr, &record);
    }
    void ToRegistry(const std::string& key, const EffectSettings& record) const
    {
        plugin_.SavePreset(nullptr, key.c_str(), HKEY_CURRENT_USER, &record);
    }
    void ToXml(XmlNode& node, const EffectSettings& record) const { plugin_.SavePresetXml(&node, &record); }

private:
    EffectSettings* LoadPresetFrom(const char* file, const char* key, HKEY root) const
    {
        EffectSettings* record = nullptr;
        plugin_.LoadPreset(file, key, root, &record);
        return record;
    }
    // The record's value; the plug-in's copy is released.
    EffectSettings Take(EffectSettings* made) const
    {
        const SettingsRecord record(plugin_, made);
        if (!record)
            throw HostError("the plug-in made no settings record");
        return *record.Get();
    }

    const PluginLibrary& plugin_;
    std::string folder_;
    ScratchKey key_;
};

bool SameSettings(const EffectSettings& a, const EffectSettings& b)
{
    return std::memcmp(&a, &b, offsetof(EffectSettings, headNode)) == 0;
}

// Every value of a registry key: name, type and bytes.
std::map<std::string, std::string> RegistryValues(const std::string& key)
{
    std::map<std::string, std::string> values;
    RegistryKey opened;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0;
        BYTE data[256];
        DWORD size = sizeof data;
        if (RegEnumValueA(opened, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values[name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    return values;
}

// Child names with their attributes, in order.
std::string XmlText(const XmlNode& node)
{
    std::string text;
    for (const XmlNode* child = node.FirstChild(); child; child = child->NextSibling()) {
        text += "<" + child->Name();
        for (const XmlAttribute& attribute : child->attributes)
            text += " " + attribute.name.Str() + "=\"" + attribute.value.Str() + "\"";
        text += "/>";
    }
    return text;
}

EffectSettings RecordOf(double level, double volume2, uint32_t centre, uint32_t bandwidth)
{
    return EffectSettings{level, volume2, centre, bandwidth, nullptr, nullptr, nullptr, 0};
}

void WriteRegistryDword(const std::string& key, const char* name, uint32_t value)
{
    WriteRegistryValue(key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

void CheckRoundTrips(Campaign& campaign, const Stores& stores)
{
    const int rounds = campaign.Quick() ? 20 : 200;
    bool loaded = true, exact = true, sameBytes = true, idempotent = true;
    std::string firstFailure;
    auto fail = [&](bool& flag, const std::string& what) {
        if (flag && firstFailure.empty())
            firstFailure = what;
        flag = false;
    };
    for (int round = 0; round < rounds; ++round) {
        Stored stored;
        for (uint32_t& value : stored.values)
            value = RandomStored(campaign.Random());
        const std::string key = stores.Key("host-" + std::to_string(round % 4));
        SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        for (int k = 0; k < 4; ++k)
            WriteRegistryDword(key, kNames[k], stored.values[k]);
        const EffectSettings first = stores.FromRegistry(key);
        if (!Holds(first, stored))
            fail(loaded, "host-written " + Describe(stored));

        // Registry, then INI, then XML, then the registry again.
        const std::string ini = stores.Ini("a"), secondIni = stores.Ini("b");
        DeleteFileA(ini.c_str());
        DeleteFileA(secondIni.c_str());
        stores.ToRegistry(stores.Key("a"), first);
        const EffectSettings viaRegistry = stores.FromRegistry(stores.Key("a"));
        stores.ToIni(ini, viaRegistry);
        const EffectSettings viaIni = stores.FromIni(ini);
        XmlTree node(new XmlNode), secondNode(new XmlNode);
        stores.ToXml(*node, viaIni);
        const EffectSettings viaXml = stores.FromXml(*node);
        stores.ToRegistry(stores.Key("b"), viaXml);
        const EffectSettings back = stores.FromRegistry(stores.Key("b"));
        for (const EffectSettings* step : {&viaRegistry, &viaIni, &viaXml, &back})
            if (!SameSettings(*step, first))
                fail(exact, Describe(stored) + " changed on the way");

        // A second save of what came back writes the same bytes, and so does saving again.
        stores.ToIni(secondIni, back);
        stores.ToXml(*secondNode, back);
        const std::string iniBytes = ReadBytes(ini);
        stores.ToIni(ini, back);
        stores.ToXml(*node, back);
        // cppcheck-suppress knownConditionTrueFalse ; the library rewrote the file in between
        if (ReadBytes(secondIni) != iniBytes || ReadBytes(ini) != iniBytes || XmlText(*secondNode) != XmlText(*node) ||
            RegistryValues(stores.Key("a")) != RegistryValues(stores.Key("b")))
            fail(sameBytes, Describe(stored) + ": a second save wrote other bytes");

        // A level the host set itself is kept in the stored form from its first save on.
        std::uniform_real_distribution<double> levels(0.0, 2.0);
        const EffectSettings hostLevel = RecordOf(levels(campaign.Random()), levels(campaign.Random()),
                                                  stored.values[2], stored.values[3]);
        stores.ToIni(ini, hostLevel);
        const std::string firstSave = ReadBytes(ini);
        const EffectSettings reloaded = stores.FromIni(ini);
        stores.ToIni(ini, reloaded);
        const Stored truncated{{static_cast<uint32_t>(hostLevel.dryOut * 32767.0),
                                static_cast<uint32_t>(hostLevel.volume2 * 32767.0), stored.values[2], stored.values[3]}};
        // cppcheck-suppress knownConditionTrueFalse ; the library rewrote the file in between
        if (ReadBytes(ini) != firstSave || !Holds(reloaded, truncated))
            fail(idempotent, "host level " + std::to_string(hostLevel.dryOut));
    }
    const std::string count = std::to_string(rounds);
    campaign.Check("stored state: " + count + " host-written registry values load as documented", loaded, firstFailure);
    campaign.Check("stored state: " + count + " random settings come back exactly through every store", exact,
                   firstFailure);
    campaign.Check("stored state: a second save writes identical bytes in every store", sameBytes, firstFailure);
    campaign.Check("stored state: a level the host set is stored truncated, and stays from then on", idempotent,
                   firstFailure);
}

// The level label of a settings window opened on a record with this level.
std::string LevelLabel(const PluginLibrary& plugin, double level)
{
    EffectSettings record = RecordOf(level, level, 1000, 400);
    char text[64] = "(no window)";
    {
        const HostFrame parent(kHiddenParent);
        if (const HWND window = plugin.CreateSettingsWindow(parent.Handle(), &record))
            GetDlgItemTextA(window, IDC_LEVEL_LABEL, text, sizeof text);
    }
    PumpMessages();
    return text;
}

// What a host sees of the plug-in's number texts: every store's bytes and the level label.
std::string NumberTexts(const PluginLibrary& plugin, const Stores& stores, const EffectSettings& record)
{
    const std::string ini = stores.Ini("locale");
    DeleteFileA(ini.c_str());
    stores.ToIni(ini, record);
    XmlTree node(new XmlNode);
    stores.ToXml(*node, record);
    SHDeleteKeyA(HKEY_CURRENT_USER, stores.Key("locale").c_str());
    stores.ToRegistry(stores.Key("locale"), record);
    std::string texts = ReadBytes(ini) + XmlText(*node);
    for (const auto& value : RegistryValues(stores.Key("locale")))
        texts += value.first + "=" + value.second;
    for (int percent : {100, 99, 70, 50, 26, 1, 0})
        texts += LevelLabel(plugin, percent / 100.0) + "|";
    return texts;
}

void CheckLocale(Campaign& campaign, const Stores& stores)
{
    const EffectSettings record = RecordOf(0.5, 0.257, 1000, 400);
    const std::string underC = NumberTexts(campaign.Library(), stores, record);
    const EffectSettings loadedUnderC = stores.FromIni(stores.Ini("locale"));

    std::string comma, underComma;
    EffectSettings loadedUnderComma{};
    {
        const CommaLocale locale;
        if (!CommaLocale::Active()) {
            campaign.Check("stored state: a comma-decimal C locale can be set", false);
            return;
        }
        comma = locale.Name();
        underComma = NumberTexts(campaign.Library(), stores, record);
        loadedUnderComma = stores.FromIni(stores.Ini("locale"));
    }
    campaign.Check("stored state: stored texts and the level label are the same under the " + comma + " locale",
                   underC == underComma, underC == underComma ? "" : underComma.substr(0, 200));
    campaign.Check("stored state: loading under the " + comma + " locale gives the same record",
                   SameSettings(loadedUnderC, loadedUnderComma));
}

std::vector<std::string> MalformedTexts()
{
    return {"",           "abc",         "1e999",  "nan",       "100Hz",      "  -17",       "+8",
            "0x10",       "4294967296",  "-1",     "99999999999999999999",    "12 34",       "\t42",
            std::string(10000, '9'),   std::string(10000, 'a'), "1" + std::string(10000, ' ')};
}

void CheckMalformedXml(Campaign& campaign, const Stores& stores)
{
    bool documented = true;
    std::string firstFailure;
    for (const std::string& text : MalformedTexts()) {
        for (int k : {0, 2}) {
            XmlTree node(new XmlNode);
            node->AddChild(kNames[k])->SetAttribute("Value", text);
            const EffectSettings record = stores.FromXml(*node);
            Stored expected{{kDefaults[0], kDefaults[1], kDefaults[2], kDefaults[3]}};
            expected.values[k] = static_cast<uint32_t>(std::atoi(text.c_str()));  // NOLINT(cert-err34-c): digits the validator wrote
            if (!Holds(record, expected) && firstFailure.empty())
                firstFailure = std::string(kNames[k]) + "=\"" + text.substr(0, 24) + "\"";
            documented = documented && Holds(record, expected);
        }
    }
    // Shapes a hand-edited preset may have: no Value, Value in capitals, the name twice, children.
    XmlTree node(new XmlNode);
    node->AddChild("DryOut");
    node->AddChild("cutofffreq")->SetAttribute("VALUE", "1234");
    node->AddChild("CutOffFreq")->SetAttribute("Value", "999");
    XmlNode* width = node->AddChild("BandWidth");
    width->AddChild("Value")->SetAttribute("Value", "77");
    width->SetAttribute("Other", "5");
    const EffectSettings odd = stores.FromXml(*node);
    const bool shapes = Holds(odd, Stored{{kDefaults[0], kDefaults[1], 1234, kDefaults[3]}});
    campaign.Check("stored state: malformed XML values read as atoi reads them", documented, firstFailure);
    campaign.Check("stored state: XML children without a Value, in other case or repeated read as documented",
                   shapes);
}

// The text in UTF-16, little-endian, after a byte-order mark.
std::string Utf16(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

void CheckMalformedIni(Campaign& campaign, const Stores& stores)
{
    const std::string ini = stores.Ini("malformed");
    bool documented = true;
    std::string firstFailure;
    auto compare = [&](const std::string& what) {
        const EffectSettings record = stores.FromIni(ini);
        Stored expected;
        for (int k = 0; k < 4; ++k)
            expected.values[k] = GetPrivateProfileIntA("Band", kNames[k], static_cast<INT>(kDefaults[k]), ini.c_str());
        if (!Holds(record, expected) && firstFailure.empty())
            firstFailure = what + ": " + Describe(expected);
        documented = documented && Holds(record, expected);
    };
    for (const std::string& text : MalformedTexts())
        for (int k : {0, 2}) {
            WriteBytes(ini, "[Band]\r\n" + std::string(kNames[k]) + "=" + text + "\r\n");
            compare(std::string(kNames[k]) + "=" + text.substr(0, 24));
        }
    std::string garbage(65536, '\0');
    for (char& c : garbage)
        c = static_cast<char>(campaign.Random()());
    const std::string files[] = {
        "",
        garbage,
        "[Band]\r\nDryOut=1\r\nDryOut=2\r\n[Band]\r\nCutOffFreq=3\r\n",
        "[Band]\r\nBandWidth=" + std::string(100000, '7') + "\r\n",
        "[Band\r\nCutOffFreq=5\r\n",
        "CutOffFreq=5\r\n[Band]",
        Utf16("[Band]\r\nBandWidth=9\r\n"),
    };
    for (const std::string& file : files) {
        WriteBytes(ini, file);
        compare("a file of " + std::to_string(file.size()) + " bytes");
    }
    campaign.Check("stored state: malformed INI values and files read as GetPrivateProfileIntA reads them",
                   documented, firstFailure);
}

void CheckMalformedRegistry(Campaign& campaign, const Stores& stores)
{
    struct Row {
        DWORD type;
        std::string bytes;
    };
    const std::string tenKilobytes(10000, 'x');
    const Row rows[] = {
        {REG_SZ, std::string("abc\0", 4)},   {REG_SZ, std::string("1000\0", 5)}, {REG_SZ, std::string("\0", 1)},
        {REG_SZ, tenKilobytes + '\0'},       {REG_BINARY, ""},                   {REG_BINARY, "\x01"},
        {REG_BINARY, "\x01\x02"},            {REG_BINARY, "\x01\x02\x03"},       {REG_BINARY, "\x01\x02\x03\x04\x05"},
        {REG_BINARY, std::string(8, '\x7F')}, {REG_QWORD, std::string(8, '\x11')}, {REG_DWORD, std::string("\x10\x27\0\0", 4)},
        {REG_MULTI_SZ, std::string("a\0b\0\0", 5)}, {REG_EXPAND_SZ, std::string("%X%\0", 4)},
        {REG_NONE, tenKilobytes},
    };
    bool documented = true;
    std::string firstFailure;
    int row = 0;
    for (const Row& value : rows) {
        for (int k : {0, 2}) {
            const std::string key = stores.Key("malformed");
            SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
            WriteRegistryValue(key, kNames[k], value.type, value.bytes);
            // The documented rule: a value of up to 4 bytes is copied over the default's first bytes.
            Stored expected{{kDefaults[0], kDefaults[1], kDefaults[2], kDefaults[3]}};
            {
                RegistryKey opened;
                RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, opened.Receive());
                BYTE data[4];
                DWORD size = sizeof data;
                if (RegQueryValueExA(opened, kNames[k], nullptr, nullptr, data, &size) == ERROR_SUCCESS)
                    std::memcpy(&expected.values[k], data, size);
            }
            const EffectSettings record = stores.FromRegistry(key);
            if (!Holds(record, expected) && firstFailure.empty())
                firstFailure = "row " + std::to_string(row) + " as " + kNames[k] + ": expected " + Describe(expected);
            documented = documented && Holds(record, expected);
        }
        ++row;
    }
    campaign.Check("stored state: registry values of other types and sizes read as documented", documented,
                   firstFailure);
}

void CheckExtremeRecordsSaved(Campaign& campaign, const Stores& stores)
{
    bool stable = true;
    std::string firstFailure;
    for (double level : {-1.0, 0.0, 65535.0, 65536.0, 131071.99, 1e30, -1e30, static_cast<double>(NAN),
                         static_cast<double>(INFINITY), 5e-324}) {
        const std::string ini = stores.Ini("extreme");
        DeleteFileA(ini.c_str());
        stores.ToIni(ini, RecordOf(level, level, 0, 4294967295u));
        const std::string first = ReadBytes(ini);
        stores.ToIni(ini, stores.FromIni(ini));
        const bool same = ReadBytes(ini) == first;
        // cppcheck-suppress knownConditionTrueFalse ; the library rewrote the file in between
        if (!same && firstFailure.empty())
            firstFailure = "level " + std::to_string(level) + ": " + first;
        stable = stable && same;
    }
    campaign.Check("stored state: records with extreme levels save, and load back to the same stored texts", stable,
                   firstFailure);
}
// Locations a host may get wrong: no section, no node, a folder that does not exist, a key name
// longer than the registry allows. Loads give defaults, saves report only a key not created.
void CheckOddLocations(Campaign& campaign, const Stores& stores)
{
    const PluginLibrary& plugin = campaign.Library();
    const Stored defaults{{kDefaults[0], kDefaults[1], kDefaults[2], kDefaults[3]}};
    const EffectSettings record = RecordOf(0.5, 0.5, 2000, 300);
    const std::string missingFolder = stores.Ini("no-such-folder\\deeper\\preset");
    const std::string longKey = stores.Key(std::string(300, 'k'));
    struct Location {
        const char* what;
        const char* file;
        const char* key;
        HKEY root;
        uint32_t savedResult;
    };
    const Location locations[] = {
        {"an INI file without a section", missingFolder.c_str(), nullptr, nullptr, 1},
        {"an INI file in a folder that does not exist", missingFolder.c_str(), "Band", nullptr, 1},
        {"a registry key name of 300 characters", nullptr, longKey.c_str(), HKEY_CURRENT_USER, 0},
        {"no store at all", nullptr, nullptr, nullptr, 1},
    };
    bool documented = true;
    std::string firstFailure;
    for (const Location& location : locations) {
        EffectSettings* loaded = nullptr;
        const uint32_t loadResult = plugin.LoadPreset(location.file, location.key, location.root, &loaded);
        const bool defaultsLoaded = loadResult == 1 && loaded && Holds(*loaded, defaults);
        if (loaded)
            plugin.Free(loaded);
        const uint32_t saveResult = plugin.SavePreset(location.file, location.key, location.root, &record);
        if ((!defaultsLoaded || saveResult != location.savedResult) && firstFailure.empty())
            firstFailure = std::string(location.what) + ": load " + std::to_string(loadResult) + ", save " +
                           std::to_string(saveResult);
        documented = documented && defaultsLoaded && saveResult == location.savedResult;
    }
    EffectSettings* fromNothing = nullptr;
    const bool nullNode = plugin.InitializeXml(nullptr, &fromNothing) == 1 && fromNothing &&
                          Holds(*fromNothing, defaults) && plugin.SavePresetXml(nullptr, &record) == 1;
    if (fromNothing)
        plugin.Free(fromNothing);
    campaign.Check("stored state: odd store locations load defaults and save as documented", documented, firstFailure);
    campaign.Check("stored state: a null XML node loads defaults and saves nothing", nullNode);
}
}  // namespace

void CheckStoredState(Campaign& campaign)
{
    Stores stores(campaign.Library());
    CheckRoundTrips(campaign, stores);
    CheckLocale(campaign, stores);
    CheckMalformedXml(campaign, stores);
    CheckMalformedIni(campaign, stores);
    CheckMalformedRegistry(campaign, stores);
    CheckExtremeRecordsSaved(campaign, stores);
    CheckOddLocations(campaign, stores);
}
