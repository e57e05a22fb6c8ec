// Controls of the stand-in platform: how a test sets up a case and observes it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace standin {

// exit_process() throws this, so a test can watch the program end.
struct ProcessExit {
    int code;
};

// A fresh process: empty registry, file system, heap records, windows and logs.
void reset();

// Notable calls in the order they were made ("OleInitialize", "PostQuitMessage 0", ...);
// tests may add their own marks.
const std::vector<std::string>& calls();
void note(const std::string& call);

// ---- Process ------------------------------------------------------------------------------
// The program file's path as GetModuleFileNameA gives it. exact false: the wide path
// differs, as when best fit put "Cafe" for "Café" or "?" for a character it lacks.
void set_module_path(const std::string& path, bool exact = true);
void set_code_page(unsigned code_page);  // 936 (double-byte) or 1252
const std::string& current_directory();

// ---- Heap ---------------------------------------------------------------------------------
std::size_t live_blocks();
// The next allocation of exactly this many bytes fails.
void fail_allocation_of(std::size_t byte_count);

// ---- Message boxes ------------------------------------------------------------------------
struct Box {
    plat::Hwnd owner;
    std::string caption;
    std::string text;
    unsigned style;
};
const std::vector<Box>& boxes();
// Runs while a box is open (task-modal boxes disable the thread's top-level windows
// meanwhile); its result is the box's answer. Default: OK.
void on_message_box(std::function<int(const Box&)> handler);

// ---- Shell --------------------------------------------------------------------------------
const std::vector<std::string>& shell_opened();     // targets of successful shell opens
const std::vector<std::string>& commands_run();     // WinExec command lines, run or not
void set_shell_result(std::intptr_t result);        // ShellExecuteA's answer (default 42)
void set_win_exec_result(unsigned result);          // WinExec's answer (default 33)

// ---- System DLLs --------------------------------------------------------------------------
// The system folder lacks this DLL ("ole32.dll", "shell32.dll"), or it cannot be loaded.
void remove_system_library(const std::string& name);

// ---- Registry -----------------------------------------------------------------------------
// Every key under this root, the root itself included, may only be read, as for a user
// without the right to write there (see make_key_read_only).
void refuse_writes(plat::RegRoot root, bool refuse = true);
// The key may only be read, as a key an administrator made looks to a user: opening it
// for writing fails with 5, RegCreateKeyA gives a read-only handle on which setting a
// value fails with 5, and creating a key below it fails with 5 (as on Windows; Wine
// allows that). False when the key is missing.
bool make_key_read_only(plat::Hkey root, const char* sub_key);
int open_keys();
struct StoredValue {
    bool found;
    unsigned type;
    std::string data;
};
StoredValue stored_value(plat::Hkey root, const char* sub_key, const char* name);
bool key_stored(plat::Hkey root, const char* sub_key);
void erase_key_tree(plat::Hkey root, const char* sub_key);

// ---- Files --------------------------------------------------------------------------------
void add_file(const std::string& path);
void add_folder(const std::string& path);

// Between the shared registry/process model and the window model.
void reset_windows();
void set_top_levels_enabled(bool enabled);

}  // namespace standin

namespace standin {

// ---- Screen, input ------------------------------------------------------------------------
void set_screen(int width, int height);
// Frame and title bar of a top-level window with a caption and dialog frame.
constexpr int kFrame = 3, kCaption = 19;

enum Modifier : unsigned { kNoModifier = 0, kShift = 1, kControl = 2, kAlt = 4 };
// Input is queued, as real input is, for the program's message loop to take.
void queue_key(plat::Hwnd target, unsigned virtual_key, unsigned modifiers = kNoModifier);
void queue_message(plat::Hwnd target, unsigned message, plat::WParam wparam = 0,
                   plat::LParam lparam = 0, unsigned modifiers = kNoModifier);
// Runs when the loop finds the queue empty; a test adds the next input or closes the
// window there. Without one, an empty queue fails the test (the loop would wait forever).
void on_idle(std::function<void()> handler);
// Sends what a click sends: button down, then up, at client coordinates of hwnd.
void click(plat::Hwnd hwnd, int x, int y);
void move_mouse(plat::Hwnd hwnd, int x, int y);  // client coordinates of hwnd
// Another program takes the activation, then gives it back.
void deactivate(plat::Hwnd top_level);
void activate(plat::Hwnd top_level);
// Runs when a top-level window is shown with SW_SHOW, as if something else acted on it
// at that moment (for example closed it before the program's loop began).
void on_show(std::function<void(plat::Hwnd)> handler);
// Lets the next top-level window or the next child of this class fail to be created.
void fail_window_creation(const std::string& class_name);

// ---- Windows as the tests see them ----------------------------------------------------------
struct WindowInfo {
    std::string class_name;
    std::string text;
    std::uint32_t style, ex_style;
    plat::Rect rect;  // parent client coordinates for a child, screen for a top level
    bool alive, visible, enabled;
    int big_icon, small_icon;  // image index of the icon set with WM_SETICON, or -1
    plat::Hfont font;          // what WM_SETFONT gave the window
};
WindowInfo window_info(plat::Hwnd hwnd);
plat::Hwnd find_top_level(const std::string& title);
std::vector<plat::Hwnd> top_levels_created();
// Children in creation order.
std::vector<plat::Hwnd> creation_order(plat::Hwnd parent);
// Sends WM_PAINT for the given update area (client coordinates).
void paint(plat::Hwnd hwnd, const plat::Rect& update);

enum class DrawKind { Fill, Text };
struct DrawCall {
    DrawKind kind;
    plat::Hwnd hwnd;
    plat::Rect rect;
    plat::ColorRef color;  // fill colour or text colour
    std::string text;
    unsigned format;
    bool transparent;
    std::string font_face;  // "" for the default GUI font
    int font_height;
};
const std::vector<DrawCall>& drawing();
void clear_drawing();
int live_fonts();
constexpr plat::ColorRef kButtonFace = plat::rgb(212, 208, 200);
void set_button_face(plat::ColorRef color);

}  // namespace standin
