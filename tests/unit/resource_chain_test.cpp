// Dialog templates along the resource chain: the language library's when it is sound, this
// program's own otherwise (it links the library's template), each copied with the asked style.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/handles.h"
#include "platform/resource_chain.h"
#include "platform/resource_library.h"
#include "platform/this_module.h"
#include "res/resource_ids.h"
#include "tools/shared/plugin_library.h"

namespace {
constexpr DWORD kStyle = WS_CHILD | DS_SETFONT | DS_3DLOOK;

// The stored template of module as DWORDs, and its size in bytes.
std::vector<DWORD> Stored(HMODULE module, size_t& size)
{
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), RT_DIALOG);
    size = resource ? SizeofResource(module, resource) : 0;
    std::vector<DWORD> copy((size + 3) / 4);
    if (size)
        std::memcpy(copy.data(), LockResource(LoadResource(module, resource)), size);
    return copy;
}

// Whether loaded is stored with only the DWORD at styleIndex replaced by kStyle.
::testing::AssertionResult IsStoredWithStyle(const std::vector<DWORD>& loaded, HMODULE module, size_t styleIndex)
{
    size_t size = 0;
    std::vector<DWORD> expected = Stored(module, size);
    if (expected.empty())
        return ::testing::AssertionFailure() << "the module holds no template";
    if (expected[styleIndex] == kStyle)
        return ::testing::AssertionFailure() << "the stored style is already the asked one";
    expected[styleIndex] = kStyle;
    if (loaded != expected)
        return ::testing::AssertionFailure() << "loaded " << loaded.size() << " DWORDs, not the stored template with the style";
    return ::testing::AssertionSuccess();
}

class DialogTemplateChain : public ::testing::Test {
protected:
    void TearDown() override { ResourceChain::SetLanguageModule(nullptr); }

    HMODULE Language(const char* fixture)
    {
        language_.Attach(MapResourceLibrary((ProgramFolder() + fixture).c_str()));
        EXPECT_TRUE(language_) << fixture;
        ResourceChain::SetLanguageModule(language_);
        return language_;
    }

    ModuleHandle language_;
};

TEST_F(DialogTemplateChain, OwnTemplateWithoutALanguageLibrary)
{
    // DIALOG: the style is the first DWORD.
    EXPECT_TRUE(IsStoredWithStyle(ResourceChain::LoadDialogTemplate(IDD_SETTINGS, kStyle), ThisModule(), 0));
}

TEST_F(DialogTemplateChain, LanguageLibraryTemplateComesFirst)
{
    const HMODULE language = Language("language_dialog_fixture.dll");
    // DIALOGEX: the style follows helpID and exStyle.
    EXPECT_TRUE(IsStoredWithStyle(ResourceChain::LoadDialogTemplate(IDD_SETTINGS, kStyle), language, 3));
}

TEST_F(DialogTemplateChain, UnsoundLanguageTemplateFallsBackToTheOwn)
{
    const HMODULE language = Language("fontless_dialog_fixture.dll");
    EXPECT_EQ(language, ResourceChain::FindResourceModule(MAKEINTRESOURCEA(IDD_SETTINGS), RT_DIALOG));
    EXPECT_TRUE(IsStoredWithStyle(ResourceChain::LoadDialogTemplate(IDD_SETTINGS, kStyle), ThisModule(), 0));
}

TEST_F(DialogTemplateChain, NoneWhenNoModuleHoldsASoundCopy)
{
    Language("fontless_dialog_fixture.dll");
    ResourceChain::SetOwnModule(nullptr);
    EXPECT_TRUE(ResourceChain::LoadDialogTemplate(IDD_SETTINGS, kStyle).empty());
    ResourceChain::SetOwnModule(ThisModule());
}
}  // namespace
