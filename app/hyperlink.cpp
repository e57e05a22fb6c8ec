#include "app/hyperlink.h"

#include <cstring>

#include "app/window_description.h"
#include "platform/platform.h"

namespace app::hyperlink {

namespace {

struct LinkState {
    plat::Hwnd hwnd = nullptr;
    const char* target = "";
    bool hovering = false;
    bool visited = false;
};
LinkState g_link;

// Registry texts and the command line are held in buffers of this size; anything that
// would not fit is refused rather than cut into a different command.
constexpr long kBuffer = 260;

bool inside_client(plat::Hwnd hwnd, int x, int y) {
    plat::Rect r = plat::client_rect(hwnd);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The default value of a key below HKEY_CLASSES_ROOT, whole, or false.
bool read_class_text(const char* key_path, char* buffer) {
    plat::Hkey key = nullptr;
    if (plat::reg_open_key(plat::reg_root(plat::RegRoot::ClassesRoot), key_path,
                           plat::kKeyQueryValue, &key) != 0)
        return false;
    long length = kBuffer;
    bool read = plat::reg_query_value(key, nullptr, buffer, &length) == 0 && length > 0 &&
                length <= kBuffer && std::memchr(buffer, '\0', static_cast<std::size_t>(length));
    plat::reg_close_key(key);
    return read;
}

bool append(char* buffer, const char* text) {
    std::size_t used = std::strlen(buffer), more = std::strlen(text);
    if (used + more + 1 > static_cast<std::size_t>(kBuffer)) return false;
    std::memcpy(buffer + used, text, more + 1);
    return true;
}

// The program the system registers for web pages, given the target after its command.
bool open_with_registered_browser(const char* target) {
    char file_type[kBuffer];
    if (!read_class_text(".htm", file_type)) return false;
    char key_path[kBuffer] = "";
    if (!append(key_path, file_type) || !append(key_path, "\\shell\\open\\command")) return false;
    char command[kBuffer];
    if (!read_class_text(key_path, command)) return false;
    command[command_prefix_length(command)] = '\0';
    if (!append(command, " ") || !append(command, target)) return false;
    return plat::win_exec(command, plat::sw::kShow) > 32;
}

void on_paint(plat::Hwnd hwnd) {
    plat::PaintInfo paint;
    plat::Hdc dc = plat::begin_paint(hwnd, &paint);
    plat::fill_rect(dc, paint.update, resolve_color(kSystemDefault));
    char text[kBuffer];
    plat::window_text(hwnd, text, sizeof text);
    plat::Hfont previous = plat::select_font(dc, plat::default_gui_font());
    plat::set_transparent_background(dc);
    plat::set_text_color(dc, text_color());
    plat::draw_text(dc, text, plat::client_rect(hwnd),
                    plat::dt::kCenter | plat::dt::kVCenter | plat::dt::kSingleLine |
                        plat::dt::kNoPrefix | plat::dt::kNoClip);
    plat::select_font(dc, previous);
    plat::end_paint(hwnd, paint);
}

// The capture keeps the moves coming after the pointer has left, so that leaving is seen.
void on_mouse_move(plat::Hwnd hwnd, plat::LParam lparam) {
    if (!g_link.hovering) {
        g_link.hovering = true;
        plat::invalidate(hwnd);
        plat::set_capture(hwnd);
    } else if (!inside_client(hwnd, plat::lparam_x(lparam), plat::lparam_y(lparam))) {
        g_link.hovering = false;
        plat::release_capture();
        plat::invalidate(hwnd);
    } else if (plat::get_capture() != hwnd) {
        plat::set_capture(hwnd);
    }
}

// Acts on the button going down; the second press of a double-click arrives as a
// double-click message and is left alone.
void on_left_button_down(plat::Hwnd hwnd) {
    g_link.visited = open_target(g_link.target);
    if (g_link.visited) plat::invalidate(hwnd);
}

plat::LResult PLAT_CALLBACK link_proc(plat::Hwnd hwnd, unsigned message, plat::WParam wparam,
                                      plat::LParam lparam) {
    switch (message) {
        case plat::wm::kPaint: return on_paint(hwnd), 0;
        case plat::wm::kMouseMove: return on_mouse_move(hwnd, lparam), 0;
        case plat::wm::kLButtonDown: return on_left_button_down(hwnd), 0;
        default: return plat::def_window_proc(hwnd, message, wparam, lparam);
    }
}

}  // namespace

bool register_class() {
    return plat::register_class({kClassName, link_proc,
                                 plat::cs::kDblClks | plat::cs::kHRedraw | plat::cs::kVRedraw,
                                 plat::Cursor::Hand});
}

void attach(plat::Hwnd hwnd, const char* target) { g_link = {hwnd, target, false, false}; }
bool hovering() { return g_link.hovering; }
bool visited() { return g_link.visited; }

plat::ColorRef text_color() {
    const HyperlinkColors& colors = kMainWindow.link_colors;
    return g_link.hovering ? colors.hover : g_link.visited ? colors.visited : colors.normal;
}

bool open_target(const char* target) {
    if (target == nullptr || *target == '\0') return false;
    if (plat::shell_execute("open", target, plat::sw::kShow) > 32) return true;
    return open_with_registered_browser(target);
}

std::size_t command_prefix_length(const char* command_line) {
    // Scanned by characters, so the second byte of a double-byte character never
    // starts a match.
    const char* quoted = nullptr;
    const char* bare = nullptr;
    for (const char* p = command_line; *p; ++p) {
        if (!quoted && std::strncmp(p, "\"%1\"", 4) == 0) quoted = p;
        if (!bare && std::strncmp(p, "%1", 2) == 0) bare = p;
        if (plat::is_lead_byte(static_cast<unsigned char>(*p)) && p[1] != '\0') ++p;
    }
    const char* cut = quoted ? quoted : bare;
    return cut ? static_cast<std::size_t>(cut - command_line) : std::strlen(command_line);
}

}  // namespace app::hyperlink
