// Holds Wine's desktop for the length of a test run. Wine starts its desktop process for the
// first program that needs the desktop, and that process inherits the program's output: the
// test whose program came first would then seem to run until the desktop ends. Started first,
// with no output, this program takes that part, and keeps the desktop while tests come and go.
// Its argument names a file it creates once the desktop is there.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    GetDesktopWindow();
    if (*lpCmdLine) {
        HANDLE ready = CreateFileA(lpCmdLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready != INVALID_HANDLE_VALUE)
            CloseHandle(ready);
    }
    // Ended by the script that started it; the limit only keeps a forgotten one from staying.
    Sleep(30 * 60 * 1000);
    return 0;
}
