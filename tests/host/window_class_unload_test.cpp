// The library's window classes live no longer than its code: loaded, used and freed twice in
// one process, as a host that unloads and reloads its effects does.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "res/resource_ids.h"
#include "tools/shared/plugin_library.h"

namespace {

struct OwnedWindow {
    explicit OwnedWindow(HWND handle) : handle(handle) {}
    ~OwnedWindow()
    {
        if (IsWindow(handle))
            DestroyWindow(handle);
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    HWND handle;
};

TEST(WindowClassUnload, GraphClassGoesAwayWithTheLibraryAndComesBackOnReload)
{
    for (int load = 1; load <= 2; ++load) {
        SCOPED_TRACE(testing::Message() << "load " << load);
        auto library = std::make_unique<PluginLibrary>();
        const HMODULE instance = library->Module();
        const auto create = library->CreateSettingsWindow;
        ASSERT_TRUE(create != nullptr);
        EffectSettings defaults{};
        defaults.dryOut = defaults.volume2 = 1.0;
        defaults.cutOffFreq = 1000;
        defaults.bandWidth = 400;
        EffectSettings* settings = nullptr;
        ASSERT_TRUE(library->CopySettings(&settings, &defaults));

        char className[256] = "";
        {
            const OwnedWindow parent(CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 640, 400, nullptr, nullptr,
                                                GetModuleHandleA(nullptr), nullptr));
            ASSERT_TRUE(parent.handle != nullptr);
            const HWND window = create(parent.handle, settings);
            ASSERT_TRUE(window != nullptr);
            const HWND graph = GetDlgItem(window, IDC_RESPONSE_GRAPH);
            ASSERT_TRUE(graph != nullptr);
            ASSERT_GT(GetClassNameA(graph, className, sizeof className), 0);
            WNDCLASSEXA info{};
            info.cbSize = sizeof info;
            EXPECT_TRUE(GetClassInfoExA(instance, className, &info)) << className;
        }
        library->Free(settings);
        library.reset();

        ASSERT_TRUE(GetModuleHandleA("BandReject.dll") == nullptr) << "the library stayed loaded";
        WNDCLASSEXA info{};
        info.cbSize = sizeof info;
        EXPECT_FALSE(GetClassInfoExA(instance, className, &info)) << className << " outlived the library";
    }
}
}  // namespace
