// Where Windows starts the program.
#undef UNICODE
#undef _UNICODE
#include <windows.h>

#include "app/shell.h"
#include "platform/platform.h"

// The program takes no arguments, so the command line is ignored on purpose. It ends with
// ExitProcess directly rather than returning into the C runtime's own shutdown.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int code = app::run_program();
    plat::exit_process(code);
}
