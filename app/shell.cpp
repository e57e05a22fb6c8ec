#include "app/shell.h"

#include "app/main_window.h"
#include "app/program_folder.h"
#include "app/text_memory.h"
#include "app/texts.h"
#include "platform/platform.h"
#include "registration/registration.h"

namespace app {

namespace {

struct ShellState {
    ShutdownRoutine shutdown_routine = nullptr;
    bool loop_started = false;
    bool ole_initialised = false;
    int quit_code = 0;
};
ShellState g_shell;

void prepare_shell() {
    // OLE that could not be initialised is not released at the end either.
    g_shell.ole_initialised = plat::ole_initialize();
    Text folder = program_folder();
    plat::set_current_directory(folder ? folder : "");
    release_text(folder);
}

void release_ole() {
    if (!g_shell.ole_initialised) return;
    plat::ole_uninitialize();
    g_shell.ole_initialised = false;
}

void shut_down() {
    if (ShutdownRoutine routine = g_shell.shutdown_routine) {
        g_shell.shutdown_routine = nullptr;
        routine();
    }
    release_ole();
    forget_program_folder();
}

}  // namespace

// The runtime's start-up already loads DLLs by name (the stack guard's set-up reaches
// the crypto providers), so the hardening must come first.
int run_process(void (*start_runtime)()) {
    plat::harden_process();
    if (start_runtime != nullptr) start_runtime();
    return run_program();
}

int run_program() {
    g_shell = ShellState{};
    start_program();
    shut_down();
    return g_shell.quit_code;
}

int start_program() {
    prepare_shell();
    set_shutdown_routine(registration::release_program_state);
    if (!create_main_window()) fatal_stop(texts::kWindowFailed);
    run_message_loop();
    return 0;
}

void set_shutdown_routine(ShutdownRoutine routine) { g_shell.shutdown_routine = routine; }

void run_message_loop() {
    g_shell.loop_started = true;
    if (!any_window_open()) return;
    plat::Message message;
    while (plat::get_message(&message)) {
        if (pretranslate_message(message)) continue;
        plat::translate_message(message);
        plat::dispatch_message(message);
    }
    g_shell.quit_code = static_cast<int>(message.wparam);
}

void window_destroyed() {
    if (g_shell.loop_started && !any_window_open()) plat::post_quit_message(0);
}

bool any_window_open() { return plat::is_window(main_window()); }

void abandon_shell() {
    g_shell.shutdown_routine = nullptr;
    release_ole();
}

}  // namespace app
