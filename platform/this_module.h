// The module (DLL or program) that holds this code: its window classes, dialogs and resources.
#pragma once

#include <windows.h>

HINSTANCE ThisModule();
