#include "tools/shared/plugin_library.h"

namespace {
HMODULE Load(const std::string& path)
{
    const HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        throw HostError("cannot load the plug-in " + path + " (error " + std::to_string(GetLastError()) + ")");
    return module;
}

template <typename Function>
Function Require(const PluginLibrary& library, const char* name)
{
    const auto function = ExportAs<Function>(library, name);
    if (!function)
        throw HostError(library.Path() + " does not export " + name);
    return function;
}
}  // namespace

#define REQUIRE_EXPORT(name) name(Require<decltype(&::name)>(*this, #name))

PluginLibrary::PluginLibrary() : PluginLibrary(DefaultPluginPath()) {}

PluginLibrary::PluginLibrary(const std::string& path)
    : path_(FullPath(path)),
      module_(Load(path_)),
      REQUIRE_EXPORT(PlugInInfo),
      REQUIRE_EXPORT(CopySettings),
      REQUIRE_EXPORT(Free),
      REQUIRE_EXPORT(SetStreamCallBack),
      REQUIRE_EXPORT(OpenStream),
      REQUIRE_EXPORT(ProcessStream),
      REQUIRE_EXPORT(CloseStream),
      REQUIRE_EXPORT(Initialize),
      REQUIRE_EXPORT(InitializeXml),
      REQUIRE_EXPORT(LoadPreset),
      REQUIRE_EXPORT(SavePreset),
      REQUIRE_EXPORT(SavePresetXml),
      REQUIRE_EXPORT(CreateSettingsWindow)
{
}

#undef REQUIRE_EXPORT
