// Maps a library for its resources alone: the loader runs none of its code, not even its entry
// point.
#pragma once

#include <windows.h>

using LoadLibraryExFunction = HMODULE(WINAPI*)(LPCSTR, HANDLE, DWORD);

// The mapped library, or null with the loader's error. load is the loader to ask; tests pass
// one that behaves as an older system's.
HMODULE MapResourceLibrary(const char* path, LoadLibraryExFunction load = LoadLibraryExA);
