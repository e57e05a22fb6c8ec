/* A DLL planted in the program's folder under the name of a DLL that the program (or
 * the system on its behalf) may load by name. If it is ever loaded, its entry point
 * leaves a file "<its own path>.ran" beside it. It needs nothing but kernel32, so that
 * it loads even when planted under the name of a runtime DLL. */
#include <windows.h>

BOOL WINAPI planted_entry(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8];
        DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcpyA(path + length, ".ran");
            HANDLE record = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (record != INVALID_HANDLE_VALUE) CloseHandle(record);
        }
    }
    return TRUE;
}
