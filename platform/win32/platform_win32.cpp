// The platform on Windows: each function is the Win32 call it names, nothing more.
// The program speaks the ANSI API throughout, so the generic macros must mean the A forms.
#undef UNICODE
#undef _UNICODE
#include <windows.h>

#include "platform/platform.h"

namespace plat {

// ---- The constants of platform.h are the system's own ---------------------------------

static_assert(sizeof(WParam) == sizeof(WPARAM) && sizeof(LParam) == sizeof(LPARAM) &&
              sizeof(LResult) == sizeof(LRESULT));
static_assert(sizeof(Rect) == sizeof(RECT));

static_assert(kMbOk == MB_OK && kMbIconError == MB_ICONERROR && kMbTaskModal == MB_TASKMODAL);
static_assert(kKeyQueryValue == KEY_QUERY_VALUE && kKeyWrite == KEY_WRITE);
static_assert(kRegSz == REG_SZ && kRegDword == REG_DWORD);

static_assert(wm::kCreate == WM_CREATE && wm::kDestroy == WM_DESTROY && wm::kSize == WM_SIZE &&
              wm::kActivate == WM_ACTIVATE && wm::kSetFocus == WM_SETFOCUS &&
              wm::kKillFocus == WM_KILLFOCUS && wm::kPaint == WM_PAINT &&
              wm::kClose == WM_CLOSE && wm::kQueryEndSession == WM_QUERYENDSESSION &&
              wm::kQuit == WM_QUIT && wm::kEraseBkgnd == WM_ERASEBKGND &&
              wm::kSetFont == WM_SETFONT && wm::kSetIcon == WM_SETICON &&
              wm::kNcDestroy == WM_NCDESTROY && wm::kKeyDown == WM_KEYDOWN &&
              wm::kKeyUp == WM_KEYUP && wm::kChar == WM_CHAR &&
              wm::kSysKeyDown == WM_SYSKEYDOWN && wm::kCommand == WM_COMMAND &&
              wm::kMouseMove == WM_MOUSEMOVE && wm::kLButtonDown == WM_LBUTTONDOWN &&
              wm::kLButtonUp == WM_LBUTTONUP && wm::kLButtonDblClk == WM_LBUTTONDBLCLK &&
              wm::kCaptureChanged == WM_CAPTURECHANGED);
static_assert(ws::kCaption == WS_CAPTION && ws::kSysMenu == WS_SYSMENU &&
              ws::kDlgFrame == WS_DLGFRAME && ws::kClipChildren == WS_CLIPCHILDREN &&
              ws::kClipSiblings == WS_CLIPSIBLINGS && ws::kChild == WS_CHILD &&
              ws::kVisible == WS_VISIBLE && ws::kDisabled == WS_DISABLED &&
              ws::kTabStop == WS_TABSTOP && ws::kThickFrame == WS_THICKFRAME &&
              ws::kMinimizeBox == WS_MINIMIZEBOX && ws::kMaximizeBox == WS_MAXIMIZEBOX &&
              ws::kExDlgModalFrame == WS_EX_DLGMODALFRAME &&
              ws::kExClientEdge == WS_EX_CLIENTEDGE);
static_assert(bs::kPushButton == BS_PUSHBUTTON && bs::kCenter == BS_CENTER &&
              bs::kVCenter == BS_VCENTER && bs::kMultiline == BS_MULTILINE &&
              bs::kClicked == BN_CLICKED);
static_assert(cs::kVRedraw == CS_VREDRAW && cs::kHRedraw == CS_HREDRAW &&
              cs::kDblClks == CS_DBLCLKS);
static_assert(sw::kHide == SW_HIDE && sw::kShow == SW_SHOW && sw::kShowNa == SW_SHOWNA);
static_assert(vk::kTab == VK_TAB && vk::kReturn == VK_RETURN && vk::kShift == VK_SHIFT &&
              vk::kControl == VK_CONTROL && vk::kMenu == VK_MENU &&
              vk::kEscape == VK_ESCAPE && vk::kSpace == VK_SPACE && vk::kF1 == VK_F1 &&
              vk::kF4 == VK_F4);
static_assert(dt::kLeft == DT_LEFT && dt::kCenter == DT_CENTER && dt::kVCenter == DT_VCENTER &&
              dt::kSingleLine == DT_SINGLELINE && dt::kNoClip == DT_NOCLIP &&
              dt::kNoPrefix == DT_NOPREFIX);
static_assert(kSmCxScreen == SM_CXSCREEN && kSmCyScreen == SM_CYSCREEN);
static_assert(kColorBtnFace == COLOR_BTNFACE);
static_assert(kIconSmall == ICON_SMALL && kIconBig == ICON_BIG);

namespace {

HWND to_hwnd(Hwnd hwnd) { return reinterpret_cast<HWND>(hwnd); }
Hwnd from_hwnd(HWND hwnd) { return reinterpret_cast<Hwnd>(hwnd); }
HKEY to_hkey(Hkey key) { return reinterpret_cast<HKEY>(key); }
Hkey from_hkey(HKEY key) { return reinterpret_cast<Hkey>(key); }
HDC to_hdc(Hdc dc) { return reinterpret_cast<HDC>(dc); }
HFONT to_hfont(Hfont font) { return reinterpret_cast<HFONT>(font); }
Hfont from_hgdiobj(HGDIOBJ object) { return reinterpret_cast<Hfont>(object); }

RECT to_rect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect from_rect(const RECT& r) {
    return Rect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                static_cast<int>(r.bottom)};
}

// Counts passed on to calls that take a DWORD or an int never exceed what those hold.
DWORD dword_count(std::size_t n) { return n > MAXDWORD ? MAXDWORD : static_cast<DWORD>(n); }
int int_count(std::size_t n) { return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n); }

HINSTANCE program_instance() { return GetModuleHandleA(nullptr); }

}  // namespace

// ---- Process, memory, code page -------------------------------------------------------

std::size_t module_file_name(char* buffer, std::size_t size) {
    return GetModuleFileNameA(nullptr, buffer, dword_count(size));
}

bool module_path_is_exact(const char* ansi_path) {
    // The longest path Windows knows; two of them are too big for the stack. Static, so
    // that no allocation can fail here: a failed one would pass for "not exact" instead
    // of ending in the fatal stop. Asked once, on the program's one thread. Named .bss:
    // with -fdata-sections MinGW would store the zeroed arrays in the file.
    constexpr DWORD kLongestPath = 32768;
    static wchar_t module[kLongestPath] __attribute__((section(".bss")));
    static wchar_t converted[kLongestPath] __attribute__((section(".bss")));
    if (ansi_path == nullptr) return false;
    bool exact = false;
    DWORD length = GetModuleFileNameW(nullptr, module, kLongestPath);
    if (length != 0 && length < kLongestPath &&
        MultiByteToWideChar(CP_ACP, 0, ansi_path, -1, converted, kLongestPath) != 0) {
        const wchar_t* a = module;
        const wchar_t* b = converted;
        while (*a != 0 && *a == *b) ++a, ++b;
        exact = *a == *b;
    }
    return exact;
}

bool is_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

void* heap_alloc(std::size_t byte_count) { return HeapAlloc(GetProcessHeap(), 0, byte_count); }

void heap_free(void* block) { HeapFree(GetProcessHeap(), 0, block); }

bool set_current_directory(const char* path) { return SetCurrentDirectoryA(path) != FALSE; }

// ---- System DLLs ---------------------------------------------------------------------------
//
// The program's folder comes first in the DLL search, and players keep it in a game
// folder that anyone may have filled. So the exe imports only DLLs the loader takes from
// the system folder whatever lies beside it, and everything else is loaded by full path
// out of the system folder, after the search has been restricted.

namespace {

// SetDefaultDllDirectories took effect: every later load by name, ours and the system
// DLLs' own, searches the system folder only.
bool g_search_restricted = false;

// The address of a function that older Windows versions may lack, or null.
template <typename Function>
Function system_function(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // The cast between function pointer types is the documented use of GetProcAddress.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

HMODULE load_system_library(const char* name) {
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::size_t at = length;
    path[at++] = '\\';
    while (*name != '\0') path[at++] = *name++;
    path[at] = '\0';
    // Where the search could not be restricted, the DLL's own dependencies are still
    // looked up beside it first, in the system folder, instead of beside the program.
    return LoadLibraryExA(path, nullptr, g_search_restricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE g_ole32 = nullptr;
HMODULE g_shell32 = nullptr;

}  // namespace

// Runs before the C++ runtime's start-up (whose stack guard set-up loads the crypto
// providers by name), so it keeps to kernel32 and needs no stack guard of its own.
void harden_process() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    // Windows 8 and later, and 7 or Vista with KB2533623.
    auto set_default_dirs =
        system_function<BOOL(WINAPI*)(DWORD)>(kernel32, "SetDefaultDllDirectories");
    g_search_restricted =
        set_default_dirs != nullptr && set_default_dirs(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    if (!g_search_restricted) {
        // The best older systems allow: at least the current folder leaves the search.
        auto set_dll_dir = system_function<BOOL(WINAPI*)(LPCSTR)>(kernel32, "SetDllDirectoryA");
        if (set_dll_dir != nullptr) set_dll_dir("");
    }
    auto heap_set = system_function<BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, PVOID, SIZE_T)>(
        kernel32, "HeapSetInformation");
    if (heap_set != nullptr) heap_set(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
}

bool ole_initialize() {
    if (g_ole32 == nullptr) g_ole32 = load_system_library("ole32.dll");
    auto initialize = system_function<HRESULT(WINAPI*)(LPVOID)>(g_ole32, "OleInitialize");
    // S_FALSE (already initialised on this thread) must be balanced too.
    return initialize != nullptr && SUCCEEDED(initialize(nullptr));
}

void ole_uninitialize() {
    auto uninitialize = system_function<void(WINAPI*)()>(g_ole32, "OleUninitialize");
    if (uninitialize != nullptr) uninitialize();
}

void exit_process(int code) { ExitProcess(static_cast<UINT>(code)); }

// ---- Message boxes, shell ------------------------------------------------------------------

int message_box(Hwnd owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(to_hwnd(owner), text, caption, style);
}

std::intptr_t shell_execute(const char* verb, const char* file, int show) {
    static_assert(kShellDllNotFound == SE_ERR_DLLNOTFOUND);
    // Loaded on the first press, not at start-up: most runs never press the link.
    if (g_shell32 == nullptr) g_shell32 = load_system_library("shell32.dll");
    auto execute = system_function<HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)>(
        g_shell32, "ShellExecuteA");
    if (execute == nullptr) return kShellDllNotFound;
    return reinterpret_cast<std::intptr_t>(execute(nullptr, verb, file, nullptr, nullptr, show));
}

unsigned win_exec(const char* command, int show) {
    return WinExec(command, static_cast<UINT>(show));
}

// ---- Files ---------------------------------------------------------------------------------

bool find_first_file(const char* path) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(path, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

// ---- Registry ------------------------------------------------------------------------------

Hkey reg_root(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot: return from_hkey(HKEY_CLASSES_ROOT);
        case RegRoot::CurrentUser: return from_hkey(HKEY_CURRENT_USER);
        case RegRoot::LocalMachine: return from_hkey(HKEY_LOCAL_MACHINE);
        case RegRoot::Users: return from_hkey(HKEY_USERS);
        case RegRoot::CurrentConfig: return from_hkey(HKEY_CURRENT_CONFIG);
    }
    return nullptr;
}

long reg_open_key(Hkey root, const char* sub_key, unsigned access, Hkey* key) {
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExA(to_hkey(root), sub_key, 0, access, &opened);
    *key = from_hkey(opened);
    return result;
}

long reg_create_key(Hkey root, const char* sub_key, Hkey* key) {
    HKEY created = nullptr;
    LONG result = RegCreateKeyA(to_hkey(root), sub_key, &created);
    *key = from_hkey(created);
    return result;
}

long reg_set_value(Hkey key, const char* name, unsigned type, const void* data,
                   std::uint32_t length) {
    return RegSetValueExA(to_hkey(key), name, 0, type, static_cast<const BYTE*>(data), length);
}

long reg_query_value(Hkey key, const char* sub_key, char* buffer, long* length) {
    static_assert(sizeof(long) == sizeof(LONG));
    return RegQueryValueA(to_hkey(key), sub_key, buffer, reinterpret_cast<LONG*>(length));
}

long reg_close_key(Hkey key) { return RegCloseKey(to_hkey(key)); }

// ---- Windows and messages ----------------------------------------------------------------

bool register_class(const WindowClass& window_class) {
    WNDCLASSA wc = {};
    wc.style = window_class.style;
    // WndProc and WNDPROC differ only in their handle types: the same call underneath.
    wc.lpfnWndProc = reinterpret_cast<WNDPROC>(window_class.proc);
    wc.hInstance = program_instance();
    wc.hCursor = window_class.cursor == Cursor::Hand
                     ? LoadCursorA(wc.hInstance, MAKEINTRESOURCEA(IDC_HAND_POINTER))
                     : LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = window_class.name;
    return RegisterClassA(&wc) != 0;
}

Hwnd create_window(std::uint32_t ex_style, const char* class_name, const char* title,
                   std::uint32_t style, int x, int y, int width, int height, Hwnd parent) {
    return from_hwnd(CreateWindowExA(ex_style, class_name, title, style, x, y, width, height,
                                     to_hwnd(parent), nullptr, program_instance(), nullptr));
}

bool destroy_window(Hwnd hwnd) { return DestroyWindow(to_hwnd(hwnd)) != FALSE; }

bool is_window(Hwnd hwnd) { return IsWindow(to_hwnd(hwnd)) != FALSE; }

LResult def_window_proc(Hwnd hwnd, unsigned message, WParam wparam, LParam lparam) {
    return DefWindowProcA(to_hwnd(hwnd), message, wparam, lparam);
}

LResult send_message(Hwnd hwnd, unsigned message, WParam wparam, LParam lparam) {
    return SendMessageA(to_hwnd(hwnd), message, wparam, lparam);
}

namespace {
// The message last taken from the queue, whole, so that translating and dispatching it
// hand the system back its own time and cursor position.
MSG g_last_message;

MSG system_message(const Message& message) {
    const MSG& last = g_last_message;
    if (last.hwnd == to_hwnd(message.hwnd) && last.message == message.message &&
        last.wParam == message.wparam && last.lParam == message.lparam) {
        return last;
    }
    MSG msg = {};
    msg.hwnd = to_hwnd(message.hwnd);
    msg.message = message.message;
    msg.wParam = message.wparam;
    msg.lParam = message.lparam;
    msg.time = static_cast<DWORD>(GetMessageTime());
    DWORD pos = GetMessagePos();
    msg.pt.x = static_cast<short>(LOWORD(pos));
    msg.pt.y = static_cast<short>(HIWORD(pos));
    return msg;
}
}  // namespace

// GetMessage fails (-1) only for a bad window handle or message pointer; the loop then
// ends as if it had been asked to quit with code 0, since it could only spin otherwise.
bool get_message(Message* message) {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) {
        msg = MSG{};
        msg.message = WM_QUIT;
        got = 0;
    }
    g_last_message = msg;
    message->hwnd = from_hwnd(msg.hwnd);
    message->message = msg.message;
    message->wparam = msg.wParam;
    message->lparam = msg.lParam;
    return got != 0;
}

void translate_message(const Message& message) {
    MSG msg = system_message(message);
    TranslateMessage(&msg);
}

LResult dispatch_message(const Message& message) {
    MSG msg = system_message(message);
    return DispatchMessageA(&msg);
}

void post_quit_message(int code) { PostQuitMessage(code); }

Rect window_rect(Hwnd hwnd) {
    RECT r = {};
    GetWindowRect(to_hwnd(hwnd), &r);
    return from_rect(r);
}

Rect client_rect(Hwnd hwnd) {
    RECT r = {};
    GetClientRect(to_hwnd(hwnd), &r);
    return from_rect(r);
}

bool move_window(Hwnd hwnd, int x, int y, int width, int height) {
    return MoveWindow(to_hwnd(hwnd), x, y, width, height, TRUE) != FALSE;
}

bool place_below(Hwnd hwnd, Hwnd after) {
    return SetWindowPos(to_hwnd(hwnd), after != nullptr ? to_hwnd(after) : HWND_TOP, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
}

void show_window(Hwnd hwnd, int command) { ShowWindow(to_hwnd(hwnd), command); }

Hwnd get_parent(Hwnd hwnd) { return from_hwnd(GetParent(to_hwnd(hwnd))); }

bool is_child(Hwnd parent, Hwnd hwnd) { return IsChild(to_hwnd(parent), to_hwnd(hwnd)) != FALSE; }

bool is_window_enabled(Hwnd hwnd) { return IsWindowEnabled(to_hwnd(hwnd)) != FALSE; }

bool is_window_visible(Hwnd hwnd) { return IsWindowVisible(to_hwnd(hwnd)) != FALSE; }

std::uint32_t window_style(Hwnd hwnd) {
    return static_cast<std::uint32_t>(GetWindowLongA(to_hwnd(hwnd), GWL_STYLE));
}

Hwnd first_child(Hwnd parent) { return from_hwnd(GetWindow(to_hwnd(parent), GW_CHILD)); }

Hwnd next_sibling(Hwnd hwnd) { return from_hwnd(GetWindow(to_hwnd(hwnd), GW_HWNDNEXT)); }

std::size_t window_text(Hwnd hwnd, char* buffer, std::size_t size) {
    int copied = GetWindowTextA(to_hwnd(hwnd), buffer, int_count(size));
    return copied > 0 ? static_cast<std::size_t>(copied) : 0;
}

Hwnd set_focus(Hwnd hwnd) { return from_hwnd(SetFocus(to_hwnd(hwnd))); }

Hwnd get_focus() { return from_hwnd(GetFocus()); }

bool key_down(unsigned virtual_key) { return GetKeyState(static_cast<int>(virtual_key)) < 0; }

Hwnd set_capture(Hwnd hwnd) { return from_hwnd(SetCapture(to_hwnd(hwnd))); }

bool release_capture() { return ReleaseCapture() != FALSE; }

Hwnd get_capture() { return from_hwnd(GetCapture()); }

void invalidate(Hwnd hwnd) { InvalidateRect(to_hwnd(hwnd), nullptr, TRUE); }

int system_metric(int index) { return GetSystemMetrics(index); }

// ---- Icons -------------------------------------------------------------------------------

namespace {

// The icon group as the resource compiler stores it (RT_GROUP_ICON): packed on 2 bytes.
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE bWidth;  // 0 means 256
    BYTE bHeight;
    BYTE bColorCount;  // 0 when the image has 256 colours or more
    BYTE bReserved;
    WORD wPlanes;
    WORD wBitCount;
    DWORD dwBytesInRes;
    WORD nId;  // the RT_ICON resource holding the image
};
struct GroupIconDir {
    WORD idReserved;
    WORD idType;  // 1 for icons
    WORD idCount;
    GroupIconEntry idEntries[1];
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14 && offsetof(GroupIconDir, idEntries) == 6);

struct Resource {
    const BYTE* bits;
    DWORD size;
};

Resource find_resource(int id, LPCSTR type) {
    HINSTANCE instance = program_instance();
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return Resource{nullptr, 0};
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bits = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bits == nullptr) return Resource{nullptr, 0};
    return Resource{static_cast<const BYTE*>(bits), SizeofResource(instance, found)};
}

// The entries of an icon group, none when the group is missing; a directory that claims
// more entries than its resource holds is taken for what it holds.
struct GroupEntries {
    const GroupIconEntry* entries;
    int count;
};

GroupEntries group_entries(int group) {
    Resource dir = find_resource(group, RT_GROUP_ICON);
    if (dir.bits == nullptr || dir.size < offsetof(GroupIconDir, idEntries)) {
        return GroupEntries{nullptr, 0};
    }
    const auto* header = reinterpret_cast<const GroupIconDir*>(dir.bits);
    DWORD complete = (dir.size - offsetof(GroupIconDir, idEntries)) / sizeof(GroupIconEntry);
    DWORD count = header->idCount < complete ? header->idCount : complete;
    return GroupEntries{header->idEntries, static_cast<int>(count)};
}

const GroupIconEntry* group_entry(int group, int index) {
    GroupEntries group_dir = group_entries(group);
    if (index < 0 || index >= group_dir.count) return nullptr;
    return &group_dir.entries[index];
}

// Bits per pixel from the image itself, for a group entry that leaves them out.
DWORD image_bit_count(WORD image_id) {
    Resource image = find_resource(image_id, RT_ICON);
    if (image.size >= 4 && image.bits[0] == 0x89 && image.bits[1] == 'P' &&
        image.bits[2] == 'N' && image.bits[3] == 'G') {
        return 32;  // PNG images in icons are stored as 32-bit colour with alpha
    }
    if (image.size < sizeof(BITMAPINFOHEADER)) return 0;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.bits);
    return static_cast<DWORD>(header->biPlanes) * header->biBitCount;
}

}  // namespace

int icon_image_count(int group) { return group_entries(group).count; }

IconImageInfo icon_image_info(int group, int index) {
    const GroupIconEntry* entry = group_entry(group, index);
    if (entry == nullptr) return IconImageInfo{0, 0, 0};
    int width = entry->bWidth != 0 ? entry->bWidth : 256;
    int height = entry->bHeight != 0 ? entry->bHeight : 256;
    int colors = entry->bColorCount;
    if (colors == 0) {
        DWORD bits = static_cast<DWORD>(entry->wPlanes) * entry->wBitCount;
        if (bits == 0) bits = image_bit_count(entry->nId);
        // True colour, with or without alpha, counts as 2^24 colours.
        if (bits > 24) bits = 24;
        colors = bits > 0 ? 1 << bits : 0;
    }
    return IconImageInfo{width, height, colors};
}

Hicon create_icon_from_image(int group, int index) {
    const GroupIconEntry* entry = group_entry(group, index);
    if (entry == nullptr) return nullptr;
    Resource image = find_resource(entry->nId, RT_ICON);
    if (image.bits == nullptr) return nullptr;
    int width = entry->bWidth != 0 ? entry->bWidth : 256;
    int height = entry->bHeight != 0 ? entry->bHeight : 256;
    // 0x00030000: the icon format version every Windows since 3.0 reads.
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.bits), image.size, TRUE,
                                          0x00030000, width, height, LR_DEFAULTCOLOR);
    return reinterpret_cast<Hicon>(icon);
}

// ---- Drawing -------------------------------------------------------------------------------

Hdc begin_paint(Hwnd hwnd, PaintInfo* info) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(to_hwnd(hwnd), &ps);
    info->dc = reinterpret_cast<Hdc>(dc);
    info->update = dc != nullptr ? from_rect(ps.rcPaint) : Rect{0, 0, 0, 0};
    return info->dc;
}

// EndPaint in practice reads only the device context of the PAINTSTRUCT that BeginPaint
// filled, so one rebuilt from PaintInfo serves as well as the original.
void end_paint(Hwnd hwnd, const PaintInfo& info) {
    PAINTSTRUCT ps = {};
    ps.hdc = to_hdc(info.dc);
    ps.rcPaint = to_rect(info.update);
    EndPaint(to_hwnd(hwnd), &ps);
}

ColorRef sys_color(int index) { return GetSysColor(index); }

void fill_rect(Hdc dc, const Rect& rect, ColorRef color) {
    HBRUSH brush = CreateSolidBrush(color);
    if (brush == nullptr) return;
    RECT r = to_rect(rect);
    FillRect(to_hdc(dc), &r, brush);
    DeleteObject(brush);
}

Hfont default_gui_font() { return from_hgdiobj(GetStockObject(DEFAULT_GUI_FONT)); }

Hfont create_font(const LogicalFont& font) {
    HFONT created = CreateFontA(font.height, 0, 0, 0, font.weight, font.italic, font.underline,
                                font.strike_out, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH, font.face);
    return from_hgdiobj(created);
}

void delete_font(Hfont font) { DeleteObject(to_hfont(font)); }

Hfont select_font(Hdc dc, Hfont font) {
    return from_hgdiobj(SelectObject(to_hdc(dc), to_hfont(font)));
}

void set_text_color(Hdc dc, ColorRef color) { SetTextColor(to_hdc(dc), color); }

void set_transparent_background(Hdc dc) { SetBkMode(to_hdc(dc), TRANSPARENT); }

void draw_text(Hdc dc, const char* text, const Rect& rect, unsigned format) {
    RECT r = to_rect(rect);
    DrawTextA(to_hdc(dc), text, -1, &r, format);
}

}  // namespace plat
