// Where Windows starts the program. The C runtime's start-up code is left out (it would
// add a third to the file for command-line parsing and thread-local storage that the
// program never uses); __main still runs the static constructors, the stack guard's
// set-up among them.
#include "app/shell.h"
#include "platform/platform.h"

extern "C" void __main();

// __main registers the static destructors with atexit, which the left-out runtime would
// have provided. The program always ends with ExitProcess and has no destructors to run.
extern "C" int atexit(void (*)(void)) { return 0; }

// The command line is ignored on purpose: the program takes no arguments. Windows may
// enter a 32-bit program with its stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void tavrilon_start() {
    plat::exit_process(app::run_process(__main));
}
