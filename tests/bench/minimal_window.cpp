// The yardstick for tools/bench.sh: the least a Win32 program needs to show a window of
// Tavrilon's size and style, built with Tavrilon's flags, so that size and start-up
// time can be set beside what the C runtime, Wine and the window itself cost anyway.
// It also does what Tavrilon must do before its window appears, the same way: keep the
// DLL search to the system folder, turn on heap termination, load ole32 by full path and
// initialise OLE. What is left between the two is Tavrilon's own code.
#include <windows.h>

template <typename Function>
static Function function_of(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

static bool g_search_restricted = false;

static void harden_process() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    auto set_default_dirs = function_of<BOOL(WINAPI*)(DWORD)>(kernel32, "SetDefaultDllDirectories");
    g_search_restricted =
        set_default_dirs != nullptr && set_default_dirs(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    if (!g_search_restricted) {
        auto set_dll_dir = function_of<BOOL(WINAPI*)(LPCSTR)>(kernel32, "SetDllDirectoryA");
        if (set_dll_dir != nullptr) set_dll_dir("");
    }
    auto heap_set = function_of<BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, PVOID, SIZE_T)>(
        kernel32, "HeapSetInformation");
    if (heap_set != nullptr) heap_set(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
}

static HMODULE load_ole32() {
    static const char kName[] = "\\ole32.dll";
    char path[MAX_PATH + sizeof kName];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    for (UINT i = 0; i < sizeof kName; ++i) path[length + i] = kName[i];
    return LoadLibraryExA(path, nullptr, g_search_restricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    harden_process();
    HMODULE ole32 = load_ole32();
    auto ole_initialize = function_of<HRESULT(WINAPI*)(LPVOID)>(ole32, "OleInitialize");
    bool ole = ole_initialize != nullptr && SUCCEEDED(ole_initialize(nullptr));

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
    if (ole) function_of<void(WINAPI*)()>(ole32, "OleUninitialize")();
    return static_cast<int>(message.wParam);
}
