// The library works on nodes of the host's own XmlNode class, whose strings are those of the
// host's C++ runtime: this test is such a host. It builds and destroys its strings only with
// the basic_string members that msvcp60.dll exports and its nodes with msvcrt's operator new
// and delete, and lets BandReject.dll read, change and extend its tree.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/shared/plugin_library.h"

namespace {

// The host's view of its objects: the layout, nothing of our library's code.
struct RuntimeString {
    uint32_t allocator;  // cppcheck-suppress unusedStructMember ; the host's layout
    char* ptr;
    uint32_t length;  // cppcheck-suppress unusedStructMember ; the host's layout
    uint32_t reserved;
};
struct HostAttribute {
    RuntimeString name;
    RuntimeString value;
};
struct HostNode;
struct HostVtable {
    void(__thiscall* deletingDestructor)(HostNode* self, int flags);
};
struct HostNode {
    const HostVtable* vtable;
    HostNode* firstChild;
    HostNode* nextSibling;
    HostNode* parent;
    HostNode* lastChild;
    uint32_t attributesAllocator;
    HostAttribute* attributesFirst;
    HostAttribute* attributesLast;
    HostAttribute* attributesEnd;
    RuntimeString name;
    int32_t reserved;
};
static_assert(sizeof(HostNode) == 56, "the host's node");

#define STRING_CLASS "?$basic_string@DU?$char_traits@D@std@@V?$allocator@D@2@@std@@"

struct HostRuntime {
    HostRuntime()
    {
        msvcp.Attach(LoadLibraryA("msvcp60.dll"));
        HMODULE msvcrt = GetModuleHandleA("msvcrt.dll");
        Resolve(msvcp, "??0" STRING_CLASS "QAE@PBDABV?$allocator@D@1@@Z", construct);
        Resolve(msvcp, "??1" STRING_CLASS "QAE@XZ", destroy);
        Resolve(msvcp, "??4" STRING_CLASS "QAEAAV01@PBD@Z", assign);
        Resolve(msvcp, "?c_str@" STRING_CLASS "QBEPBDXZ", cStr);
        Resolve(msvcp, "?size@" STRING_CLASS "QBEIXZ", size);
        Resolve(msvcrt, "??2@YAPAXI@Z", allocate);
        Resolve(msvcrt, "??3@YAXPAX@Z", release);
        Resolve(msvcrt, "_heapchk", heapCheck);
        Resolve(msvcrt, "_heapwalk", heapWalk);
    }
    template <typename Function>
    static void Resolve(HMODULE module, const char* name, Function& function)
    {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        EXPECT_NE(function, nullptr) << name;
    }
    std::string Text(const RuntimeString& s) const { return std::string(cStr(&s), size(&s)); }
    // What the classic runtime's copy does with a block of one owner: share it by raising its
    // count. Wine's msvcp60 copies instead, so the host does it by hand.
    static void Share(RuntimeString* target, const RuntimeString& source)
    {
        *target = source;
        ++reinterpret_cast<uint8_t*>(source.ptr)[-1];
    }

    ModuleHandle msvcp;
    RuntimeString*(__thiscall* construct)(RuntimeString* self, const char* text, const void* allocator) = nullptr;
    void(__thiscall* destroy)(RuntimeString* self) = nullptr;
    RuntimeString*(__thiscall* assign)(RuntimeString* self, const char* text) = nullptr;
    const char*(__thiscall* cStr)(const RuntimeString* self) = nullptr;
    uint32_t(__thiscall* size)(const RuntimeString* self) = nullptr;
    void*(__cdecl* allocate)(size_t size) = nullptr;
    void(__cdecl* release)(void* block) = nullptr;
    int(__cdecl* heapCheck)() = nullptr;
    int(__cdecl* heapWalk)(_HEAPINFO* entry) = nullptr;
};
HostRuntime* runtime = nullptr;

// The host's callbacks reach its runtime through runtime, which must not outlive it.
class RuntimeInUse {
public:
    explicit RuntimeInUse(HostRuntime& host) { runtime = &host; }
    ~RuntimeInUse() { runtime = nullptr; }
    RuntimeInUse(const RuntimeInUse&) = delete;
    RuntimeInUse& operator=(const RuntimeInUse&) = delete;
};

size_t UsedBlocks()
{
    _HEAPINFO entry{};
    size_t used = 0;
    while (runtime->heapWalk(&entry) == _HEAPOK)
        used += entry._useflag == _USEDENTRY;
    return used;
}

void RemoveHostChild(HostNode* parent, HostNode* child)
{
    HostNode* previous = nullptr;
    for (HostNode* node = parent->firstChild; node; previous = node, node = node->nextSibling) {
        if (node != child)
            continue;
        (previous ? previous->nextSibling : parent->firstChild) = child->nextSibling;
        if (parent->lastChild == child)
            parent->lastChild = previous;
        child->nextSibling = child->parent = nullptr;
        return;
    }
}

// The host's destructor, in its own order, with its own runtime.
void __thiscall DestroyHostNode(HostNode* self, int flags)
{
    runtime->destroy(&self->name);
    for (HostAttribute* a = self->attributesFirst; a != self->attributesLast; ++a) {
        runtime->destroy(&a->value);
        runtime->destroy(&a->name);
    }
    runtime->release(self->attributesFirst);
    if (self->parent)
        RemoveHostChild(self->parent, self);
    for (HostNode* child = self->firstChild; child;) {
        HostNode* next = child->nextSibling;
        child->vtable->deletingDestructor(child, 1);
        child = next;
    }
    if (flags & 1)
        runtime->release(self);
}
const HostVtable kHostVtable = {&DestroyHostNode};

const char kAllocator = 0;

HostNode* NewHostNode(const char* name, HostNode* parent, const std::vector<std::pair<const char*, const char*>>& attributes)
{
    auto* node = static_cast<HostNode*>(runtime->allocate(sizeof(HostNode)));
    std::memset(node, 0, sizeof *node);
    node->vtable = &kHostVtable;
    runtime->construct(&node->name, name, &kAllocator);
    if (!attributes.empty()) {
        node->attributesFirst = static_cast<HostAttribute*>(runtime->allocate(attributes.size() * sizeof(HostAttribute)));
        node->attributesLast = node->attributesEnd = node->attributesFirst + attributes.size();
        for (size_t k = 0; k < attributes.size(); ++k) {
            runtime->construct(&node->attributesFirst[k].name, attributes[k].first, &kAllocator);
            runtime->construct(&node->attributesFirst[k].value, attributes[k].second, &kAllocator);
        }
    }
    if (parent) {
        node->parent = parent;
        (parent->lastChild ? parent->lastChild->nextSibling : parent->firstChild) = node;
        parent->lastChild = node;
    }
    return node;
}

std::string Attribute(const HostNode* node, const char* name)
{
    for (const HostAttribute* a = node->attributesFirst; a != node->attributesLast; ++a)
        if (runtime->Text(a->name) == name)
            return runtime->Text(a->value);
    return "<missing>";
}

void PlayTheHost(HostRuntime& host, PluginLibrary& library)
{
    const auto initializeXml = library.InitializeXml;
    const auto savePresetXml = library.SavePresetXml;
    ASSERT_TRUE(initializeXml && savePresetXml);
    {
        // A value shared with another string of the host: the library must not write through it.
        RuntimeString kept;
        host.construct(&kept, "16383", &kAllocator);
        HostNode* root = NewHostNode("Preset", nullptr, {{"Kind", "band"}});
        HostNode* dryOut = NewHostNode("dryout", root, {});
        dryOut->attributesFirst = static_cast<HostAttribute*>(host.allocate(sizeof(HostAttribute)));
        dryOut->attributesLast = dryOut->attributesEnd = dryOut->attributesFirst + 1;
        host.construct(&dryOut->attributesFirst->name, "VALUE", &kAllocator);
        HostRuntime::Share(&dryOut->attributesFirst->value, kept);
        HostNode* extra = NewHostNode("Extra", root, {{"Note", "kept as it is"}});
        // Has attributes but no "Value": the library appends one to the host's array.
        HostNode* bandWidth = NewHostNode("BandWidth", root, {{"Unit", "Hz"}});

        EffectSettings* record = nullptr;
        ASSERT_EQ(initializeXml(reinterpret_cast<XmlNode*>(root), &record), 1u);
        EXPECT_EQ(record->dryOut, 0.5);
        EXPECT_EQ(record->bandWidth, 400u);
        record->dryOut = 0.25;
        record->cutOffFreq = 2500;
        record->bandWidth = 123456;
        EXPECT_EQ(savePresetXml(reinterpret_cast<XmlNode*>(root), record), 1u);
        library.Free(record);

        EXPECT_EQ(host.Text(kept), "16383");
        EXPECT_EQ(static_cast<uint8_t>(kept.ptr[-1]), 0) << "the library gave up its share";
        EXPECT_EQ(host.Text(dryOut->attributesFirst->name), "VALUE");
        EXPECT_EQ(host.Text(dryOut->attributesFirst->value), "8191");
        EXPECT_EQ(host.Text(dryOut->name), "dryout");
        EXPECT_EQ(Attribute(extra, "Note"), "kept as it is");
        ASSERT_EQ(bandWidth->attributesLast - bandWidth->attributesFirst, 2);
        EXPECT_EQ(Attribute(bandWidth, "Unit"), "Hz");
        EXPECT_EQ(Attribute(bandWidth, "Value"), "123456");

        std::vector<std::string> names;
        for (HostNode* child = root->firstChild; child; child = child->nextSibling) {
            EXPECT_EQ(child->parent, root);
            names.push_back(host.Text(child->name));
        }
        EXPECT_EQ(names, (std::vector<std::string>{"dryout", "Extra", "BandWidth", "Volume2", "CutOffFreq"}));
        HostNode* volume2 = extra->nextSibling->nextSibling;
        HostNode* cutOff = root->lastChild;
        EXPECT_EQ(Attribute(volume2, "Value"), "32767");
        EXPECT_EQ(Attribute(cutOff, "Value"), "2500");
        EXPECT_EQ(cutOff->reserved, 0);
        EXPECT_EQ(static_cast<uint8_t>(cutOff->name.ptr[-1]), 0) << "a block of one owner";
        EXPECT_EQ(cutOff->name.reserved, 31u);

        // The host changes a string the library made, shares another, then destroys it all:
        // its own nodes with its own destructor, the library's through their vtable.
        host.assign(&cutOff->attributesFirst->value, "a longer text than the library's own block held");
        RuntimeString shared;
        HostRuntime::Share(&shared, volume2->name);
        root->vtable->deletingDestructor(root, 1);
        EXPECT_EQ(host.Text(shared), "Volume2");
        EXPECT_EQ(static_cast<uint8_t>(shared.ptr[-1]), 0);
        host.destroy(&shared);
        host.destroy(&kept);
    }
}

TEST(PresetHostRuntime, LibraryReadsChangesAndExtendsTheHostsTree)
{
    HostRuntime host;
    const RuntimeInUse inUse(host);
    ASSERT_TRUE(host.msvcp) << "msvcp60.dll";
    PluginLibrary library;
    // The first round lets each runtime make its one-time allocations.
    PlayTheHost(host, library);
    const size_t usedBefore = UsedBlocks();
    PlayTheHost(host, library);
    EXPECT_EQ(host.heapCheck(), _HEAPOK);
    EXPECT_EQ(UsedBlocks(), usedBefore) << "every block went back to the shared heap";
}

}  // namespace
