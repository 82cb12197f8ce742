// What a Windows user does to the demo from outside, for the tests under Wine:
//   tepple_window_request close        closes the window titled "Tepple polygon engine", as its
//                                      close button does (WM_CLOSE)
//   tepple_window_request break        Ctrl+Break in the console of the process with that window
// Exits 0 when the request was delivered, 1 (saying why) when it could not be.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const bool close = argc == 2 && std::strcmp(argv[1], "close") == 0;
    const bool ctrlBreak = argc == 2 && std::strcmp(argv[1], "break") == 0;
    if (!close && !ctrlBreak) {
        std::fprintf(stderr, "usage: tepple_window_request close | break\n");
        return 2;
    }
    const HWND window = ::FindWindowA(nullptr, "Tepple polygon engine");
    if (window == nullptr) {
        std::fprintf(stderr, "tepple_window_request: no window titled \"Tepple polygon engine\"\n");
        return 1;
    }
    if (close) return ::PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        ::FreeConsole();
        if (!::AttachConsole(pid)) {
            std::fprintf(stderr, "tepple_window_request: cannot attach to the console of process %lu\n", pid);
            return 1;
        }
        // This process shares the console now: it must not end on the event it sends.
        ::SetConsoleCtrlHandler(nullptr, TRUE);
        return ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0) ? 0 : 1;
    }
}
