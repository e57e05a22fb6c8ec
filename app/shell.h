// The life of the process: start-up, the message loop, shutdown.
#pragma once

namespace app {

using ShutdownRoutine = void (*)();

// The entry point's whole work: the process hardened before anything else runs, then
// the language runtime's start-up (static constructors), then run_program().
int run_process(void (*start_runtime)());
// The whole program: start_program() and then normal shutdown. Returns the exit code.
int run_program();
int start_program();
void set_shutdown_routine(ShutdownRoutine routine);
void run_message_loop();
void window_destroyed();
bool any_window_open();
// What the fatal stop leaves of the shell's state: the shutdown routine is dropped
// unrun and OLE released if it was initialised.
void abandon_shell();

}  // namespace app
