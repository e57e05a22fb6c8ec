// The yardstick for tools/bench.sh: the least a Win32 program needs to show a window of
// Tavrilon's size and style, built with Tavrilon's flags, so that size and start-up
// time can be set beside what the C runtime, Wine and the window itself cost anyway.
// It also does what Tavrilon must do before its window appears, with the very same
// platform code: keep the DLL search to the system folder, turn on heap termination, load
// ole32 by full path and initialise OLE; and it carries the same resources (icon, cursor,
// version). What is left between the two is Tavrilon's own code.
#include <windows.h>

#include "platform/platform.h"

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    plat::harden_process();
    bool ole = plat::ole_initialize();

    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = "MinimalWindow";
    if (!RegisterClassA(&window_class)) return 1;

    const int width = 240, height = 147;
    HWND window = CreateWindowExA(0, "MinimalWindow", "MinimalWindow", WS_CAPTION | WS_SYSMENU,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    ShowWindow(window, show);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (ole) plat::ole_uninitialize();
    return static_cast<int>(message.wParam);
}
