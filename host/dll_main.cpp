#include <windows.h>

#include "host/startup.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)  // cppcheck-suppress constParameter ; the loader's signature
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        OnProcessAttach();
        break;
    case DLL_PROCESS_DETACH:
        OnProcessDetach(reserved != nullptr);
        break;
    }
    return TRUE;
}
