#include "tests/support/plugin_library.h"

#include <stdexcept>

namespace {
template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function)
        throw std::runtime_error(std::string("BandReject.dll does not export ") + name);
}
}  // namespace

PluginLibrary::PluginLibrary()
{
    module.Attach(LoadLibraryA(DefaultPluginPath().c_str()));
    if (!module)
        throw std::runtime_error("cannot load BandReject.dll");
    Resolve(module, "PlugInInfo", PlugInInfo);
    Resolve(module, "CopySettings", CopySettings);
    Resolve(module, "Free", Free);
    Resolve(module, "SetStreamCallBack", SetStreamCallBack);
    Resolve(module, "OpenStream", OpenStream);
    Resolve(module, "ProcessStream", ProcessStream);
    Resolve(module, "CloseStream", CloseStream);
}
