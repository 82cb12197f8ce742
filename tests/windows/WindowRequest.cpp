// Closes the demo's window as its close button does (WM_CLOSE), for the tests under Wine, which
// have no window manager to ask:
//   tepple_window_request close
// Exits 1, saying why, when there is no such window or it cannot be told.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "close") != 0) {
        std::fprintf(stderr, "usage: tepple_window_request close\n");
        return 2;
    }
    const HWND window = ::FindWindowA(nullptr, "Tepple polygon engine");
    if (window == nullptr) {
        std::fprintf(stderr, "tepple_window_request: no window titled \"Tepple polygon engine\"\n");
        return 1;
    }
    if (!::PostMessageA(window, WM_CLOSE, 0, 0)) {
        std::fprintf(stderr, "tepple_window_request: cannot close the window (error %lu)\n",
                     ::GetLastError());
        return 1;
    }
    return 0;
}
