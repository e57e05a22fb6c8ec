// The operating system as the program sees it: exactly the calls it makes, no more.
// platform/win32 implements these with the real Win32 calls; platform/standin models
// them in-process for builds without Windows. The build links one of the two.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/resource_ids.h"

// Window procedures follow the system's calling convention (stdcall on 32-bit Windows).
#if defined(_WIN32) && defined(__i386__)
#define PLAT_CALLBACK __attribute__((stdcall))
#else
#define PLAT_CALLBACK
#endif

namespace plat {

using Hwnd = struct WindowOpaque*;
using Hkey = struct KeyOpaque*;
using Hdc = struct DcOpaque*;
using Hfont = struct FontOpaque*;
using Hicon = struct IconOpaque*;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using WndProc = LResult(PLAT_CALLBACK*)(Hwnd, unsigned, WParam, LParam);
using ColorRef = std::uint32_t;  // 0x00BBGGRR, as Windows keeps colours

constexpr ColorRef rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

struct Rect {
    int left, top, right, bottom;
};
inline bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The pieces of a mouse message's lParam and a notification's wParam.
inline int lparam_x(LParam lparam) { return static_cast<std::int16_t>(lparam & 0xFFFF); }
inline int lparam_y(LParam lparam) { return static_cast<std::int16_t>((lparam >> 16) & 0xFFFF); }
inline unsigned wparam_high(WParam wparam) { return (wparam >> 16) & 0xFFFF; }

struct Message {
    Hwnd hwnd;
    unsigned message;
    WParam wparam;
    LParam lparam;
};

// ---- Process, memory, code page -------------------------------------------------------

// GetModuleFileNameA(NULL, buffer, size): bytes copied without the terminator, or size
// when the path was cut (and then, as on Windows XP and Wine, maybe unterminated).
std::size_t module_file_name(char* buffer, std::size_t size);
// True when the ANSI module path names the program file exactly: converted back to
// UTF-16 it equals GetModuleFileNameW, so no character was lost to the code page.
bool module_path_is_exact(const char* ansi_path);
// IsDBCSLeadByte for the ANSI code page.
bool is_lead_byte(unsigned char byte);
// HeapAlloc(GetProcessHeap(), 0, n) / HeapFree.
void* heap_alloc(std::size_t byte_count);
void heap_free(void* block);
bool set_current_directory(const char* path);
// The process's first act, before anything can load a DLL by name: the DLL search is
// kept to the system folder (the program's own folder may hold planted files), and
// the heap ends the process on corruption.
void harden_process();
// OleInitialize(NULL) from ole32.dll loaded out of the system folder. False when OLE is
// not initialised: the DLL or the function could not be had, or the call failed.
bool ole_initialize();
void ole_uninitialize();
[[noreturn]] void exit_process(int code);

// ---- Message boxes, shell ------------------------------------------------------------------

constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbTaskModal = 0x2000;
int message_box(Hwnd owner, const char* text, const char* caption, unsigned style);
// ShellExecuteA(NULL, verb, file, NULL, NULL, show): > 32 is success. shell32.dll is
// loaded out of the system folder on first use; without it the answer is
// kShellDllNotFound, a failure like any other.
constexpr std::intptr_t kShellDllNotFound = 32;  // SE_ERR_DLLNOTFOUND
std::intptr_t shell_execute(const char* verb, const char* file, int show);
// WinExec(command, show): > 32 is success.
unsigned win_exec(const char* command, int show);

// ---- Files ---------------------------------------------------------------------------------

// FindFirstFileA(path) found an entry; the search handle is closed again at once.
bool find_first_file(const char* path);

// ---- Registry ------------------------------------------------------------------------------

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };
Hkey reg_root(RegRoot root);
constexpr unsigned kKeyQueryValue = 0x0001;
constexpr unsigned kKeyWrite = 0x20006;
constexpr unsigned kRegSz = 1;
constexpr unsigned kRegDword = 4;
// Results are Windows error codes: 0 is success.
long reg_open_key(Hkey root, const char* sub_key, unsigned access, Hkey* key);
long reg_create_key(Hkey root, const char* sub_key, Hkey* key);
long reg_set_value(Hkey key, const char* name, unsigned type, const void* data,
                   std::uint32_t length);
// RegQueryValueA: the default value of sub_key below key; *length in and out, in bytes.
long reg_query_value(Hkey key, const char* sub_key, char* buffer, long* length);
long reg_close_key(Hkey key);

// ---- Windows and messages ----------------------------------------------------------------

namespace wm {
constexpr unsigned kCreate = 0x0001, kDestroy = 0x0002, kSize = 0x0005, kActivate = 0x0006,
                   kSetFocus = 0x0007, kKillFocus = 0x0008, kPaint = 0x000F, kClose = 0x0010,
                   kQueryEndSession = 0x0011, kQuit = 0x0012, kEraseBkgnd = 0x0014,
                   kSetFont = 0x0030, kSetIcon = 0x0080, kNcDestroy = 0x0082,
                   kKeyDown = 0x0100, kKeyUp = 0x0101, kChar = 0x0102, kSysKeyDown = 0x0104,
                   kCommand = 0x0111, kMouseMove = 0x0200, kLButtonDown = 0x0201,
                   kLButtonUp = 0x0202, kLButtonDblClk = 0x0203, kCaptureChanged = 0x0215;
}
namespace ws {
constexpr std::uint32_t kCaption = 0x00C00000, kSysMenu = 0x00080000, kDlgFrame = 0x00400000,
                        kClipChildren = 0x02000000, kClipSiblings = 0x04000000,
                        kChild = 0x40000000, kVisible = 0x10000000, kDisabled = 0x08000000,
                        kTabStop = 0x00010000, kThickFrame = 0x00040000,
                        kMinimizeBox = 0x00020000, kMaximizeBox = 0x00010000;
constexpr std::uint32_t kExDlgModalFrame = 0x00000001, kExClientEdge = 0x00000200;
}  // namespace ws
namespace bs {
constexpr std::uint32_t kPushButton = 0x0, kCenter = 0x300, kVCenter = 0xC00,
                        kMultiline = 0x2000;
constexpr unsigned kClicked = 0;  // BN_CLICKED
}  // namespace bs
namespace cs {
constexpr unsigned kVRedraw = 0x1, kHRedraw = 0x2, kDblClks = 0x8;
}
namespace sw {
constexpr int kHide = 0, kShow = 5, kShowNa = 8;
}
namespace vk {
constexpr unsigned kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kControl = 0x11, kMenu = 0x12,
                   kEscape = 0x1B, kSpace = 0x20, kF1 = 0x70, kF4 = 0x73;
}
namespace dt {
constexpr unsigned kLeft = 0x0, kCenter = 0x1, kVCenter = 0x4, kSingleLine = 0x20,
                   kNoClip = 0x100, kNoPrefix = 0x800;
}
constexpr int kSmCxScreen = 0, kSmCyScreen = 1;
constexpr int kColorBtnFace = 15;
constexpr int kIconSmall = 0, kIconBig = 1;  // WM_SETICON's wParam

enum class Cursor { Arrow, Hand };  // Hand is the program's own resource

struct WindowClass {
    const char* name;
    WndProc proc;
    unsigned style;  // cs::*
    Cursor cursor;
    // No background brush: every window of the program paints its own background.
};
bool register_class(const WindowClass& window_class);

Hwnd create_window(std::uint32_t ex_style, const char* class_name, const char* title,
                   std::uint32_t style, int x, int y, int width, int height, Hwnd parent);
bool destroy_window(Hwnd hwnd);
bool is_window(Hwnd hwnd);
LResult def_window_proc(Hwnd hwnd, unsigned message, WParam wparam, LParam lparam);
LResult send_message(Hwnd hwnd, unsigned message, WParam wparam, LParam lparam);
bool get_message(Message* message);
void translate_message(const Message& message);
LResult dispatch_message(const Message& message);
void post_quit_message(int code);

Rect window_rect(Hwnd hwnd);  // screen coordinates, frame included
Rect client_rect(Hwnd hwnd);  // client coordinates: left and top are 0
bool move_window(Hwnd hwnd, int x, int y, int width, int height);
// SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE): hwnd
// goes right below `after`, or to the top when after is null.
bool place_below(Hwnd hwnd, Hwnd after);
void show_window(Hwnd hwnd, int command);
Hwnd get_parent(Hwnd hwnd);
bool is_child(Hwnd parent, Hwnd hwnd);
bool is_window_enabled(Hwnd hwnd);
bool is_window_visible(Hwnd hwnd);
std::uint32_t window_style(Hwnd hwnd);
// Child windows of hwnd from the top of the stacking order down.
Hwnd first_child(Hwnd parent);
Hwnd next_sibling(Hwnd hwnd);
std::size_t window_text(Hwnd hwnd, char* buffer, std::size_t size);
Hwnd set_focus(Hwnd hwnd);
Hwnd get_focus();
bool key_down(unsigned virtual_key);  // GetKeyState: the key was down for this message
Hwnd set_capture(Hwnd hwnd);
bool release_capture();
Hwnd get_capture();
void invalidate(Hwnd hwnd);  // InvalidateRect(hwnd, NULL, TRUE)
int system_metric(int index);

// ---- Icons -------------------------------------------------------------------------------

struct IconImageInfo {
    int width, height, colors;
};
constexpr int kProgramIcon = IDI_PROGRAM;
int icon_image_count(int group);
IconImageInfo icon_image_info(int group, int index);
// An icon from one image of the group, at that image's own size.
Hicon create_icon_from_image(int group, int index);

// ---- Drawing -------------------------------------------------------------------------------

struct PaintInfo {
    Hdc dc;
    Rect update;
};
Hdc begin_paint(Hwnd hwnd, PaintInfo* info);
void end_paint(Hwnd hwnd, const PaintInfo& info);
ColorRef sys_color(int index);
void fill_rect(Hdc dc, const Rect& rect, ColorRef color);

struct LogicalFont {
    const char* face;
    int height;  // negative: character height in pixels
    int weight;
    bool italic, underline, strike_out;
};
Hfont default_gui_font();  // the stock object: never deleted
// CreateFontA with DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
// PROOF_QUALITY and DEFAULT_PITCH.
Hfont create_font(const LogicalFont& font);
void delete_font(Hfont font);
Hfont select_font(Hdc dc, Hfont font);
void set_text_color(Hdc dc, ColorRef color);
void set_transparent_background(Hdc dc);
void draw_text(Hdc dc, const char* text, const Rect& rect, unsigned format);

}  // namespace plat
