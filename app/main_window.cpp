#include "app/main_window.h"

#include <algorithm>

#include "app/hyperlink.h"
#include "app/shell.h"
#include "app/window_description.h"
#include "registration/registration.h"

namespace app {

namespace {

constexpr char kMainClass[] = "TavrilonWindow";
constexpr char kLabelClass[] = "TavrilonLabel";
constexpr char kButtonClass[] = "BUTTON";
constexpr std::size_t kMaxControls = 8;

constexpr std::uint32_t kMainStyle =
    plat::ws::kCaption | plat::ws::kSysMenu | plat::ws::kDlgFrame | plat::ws::kClipChildren;
constexpr std::uint32_t kChildStyle = plat::ws::kChild | plat::ws::kClipSiblings;
constexpr std::uint32_t kButtonStyle = plat::bs::kPushButton | plat::bs::kCenter |
                                       plat::bs::kVCenter | plat::bs::kMultiline;
constexpr unsigned kLabelFormat =
    plat::dt::kLeft | plat::dt::kSingleLine | plat::dt::kVCenter | plat::dt::kNoClip;

// Handlers bound to the window's events. An event without one does nothing; the close
// query has none, so every close request goes ahead.
using Handler = void (*)();
void on_created() {}
constexpr Handler kCreatedHandler = on_created;
constexpr Handler kClickHandler = registration::register_client;

void raise(Handler handler) {
    if (handler != nullptr) handler();
}

struct MainWindowState {
    plat::Hwnd window = nullptr;
    plat::Hwnd controls[kMaxControls] = {};
    plat::Hfont fonts[kMaxControls] = {};  // logical fonts the window created
    plat::Hwnd remembered_focus = nullptr;
};
MainWindowState g_main;

const ControlDescription& control(std::size_t index) { return kMainWindow.controls[index]; }

int control_index(plat::Hwnd hwnd) {
    for (std::size_t i = 0; i < kMainWindow.control_count; ++i)
        if (hwnd != nullptr && g_main.controls[i] == hwnd) return static_cast<int>(i);
    return -1;
}

bool focusable(std::size_t index) {
    const ControlDescription& c = control(index);
    return c.visible && c.enabled && c.tab_stop && plat::is_window_visible(g_main.controls[index]) &&
           plat::is_window_enabled(g_main.controls[index]);
}

// The tab-stop control with the smallest tab-order number, the first stored on a tie.
plat::Hwnd first_tab_stop() {
    int best = -1;
    for (std::size_t i = 0; i < kMainWindow.control_count; ++i)
        if (focusable(i) && (best < 0 || control(i).tab_order < control(best).tab_order))
            best = static_cast<int>(i);
    return best < 0 ? nullptr : g_main.controls[best];
}

// The next tab stop after the focused control in tab order, wrapping around.
void move_focus(bool backwards) {
    std::size_t count = kMainWindow.control_count;
    int from = control_index(plat::get_focus());
    std::size_t start = from < 0 ? (backwards ? 0 : count - 1) : static_cast<std::size_t>(from);
    for (std::size_t step = 1; step <= count; ++step) {
        std::size_t i = backwards ? (start + count - step) % count : (start + step) % count;
        if (focusable(i)) {
            plat::set_focus(g_main.controls[i]);
            return;
        }
    }
}

// ---- Labels ----------------------------------------------------------------------------

plat::Rect intersect(const plat::Rect& a, const plat::Rect& b) {
    plat::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void paint_label(plat::Hwnd hwnd, const ControlDescription& label, plat::Hfont font) {
    plat::PaintInfo paint;
    plat::Hdc dc = plat::begin_paint(hwnd, &paint);
    plat::Rect client = plat::client_rect(hwnd);
    plat::fill_rect(dc, intersect(paint.update, client), resolve_color(label.background));
    char text[256];
    if (plat::window_text(hwnd, text, sizeof text) != 0) {
        plat::Hfont previous = plat::select_font(dc, font ? font : plat::default_gui_font());
        plat::set_transparent_background(dc);
        if (label.effect == TextEffect::Highlight) {
            // A white copy first; the coloured text one pixel right and down leaves it
            // showing up and to the left.
            plat::set_text_color(dc, plat::rgb(255, 255, 255));
            plat::draw_text(dc, text, client, kLabelFormat);
            client = {client.left + 1, client.top + 1, client.right + 1, client.bottom + 1};
        }
        plat::set_text_color(dc, resolve_color(label.text_color));
        plat::draw_text(dc, text, client, kLabelFormat);
        plat::select_font(dc, previous);
    }
    plat::end_paint(hwnd, paint);
}

plat::LResult PLAT_CALLBACK label_proc(plat::Hwnd hwnd, unsigned message, plat::WParam wparam,
                                       plat::LParam lparam) {
    int index = control_index(hwnd);
    if (message == plat::wm::kPaint && index >= 0) {
        paint_label(hwnd, control(index), g_main.fonts[index]);
        return 0;
    }
    return plat::def_window_proc(hwnd, message, wparam, lparam);
}

// ---- The main window's messages ----------------------------------------------------------

void on_paint(plat::Hwnd hwnd) {
    plat::PaintInfo paint;
    plat::Hdc dc = plat::begin_paint(hwnd, &paint);
    plat::fill_rect(dc, paint.update, resolve_color(kMainWindow.background));
    plat::end_paint(hwnd, paint);
}

void on_command(plat::WParam wparam, plat::LParam lparam) {
    int index = control_index(reinterpret_cast<plat::Hwnd>(lparam));
    if (index >= 0 && control(index).kind == ControlKind::Button &&
        plat::wparam_high(wparam) == plat::bs::kClicked)
        raise(kClickHandler);
}

void on_activate(plat::WParam wparam) {
    if ((wparam & 0xFFFF) != 0) return;
    plat::Hwnd focus = plat::get_focus();
    if (plat::is_child(g_main.window, focus)) g_main.remembered_focus = focus;
}

void on_set_focus() {
    plat::Hwnd remembered = g_main.remembered_focus;
    g_main.remembered_focus = nullptr;
    plat::set_focus(plat::is_child(g_main.window, remembered) ? remembered : first_tab_stop());
}

// The window and its controls are gone: release what the window held and let the shell
// decide whether the program ends.
void on_nc_destroy() {
    for (plat::Hfont& font : g_main.fonts) {
        if (font != nullptr) plat::delete_font(font);
        font = nullptr;
    }
    g_main = MainWindowState{};
    window_destroyed();
}

plat::LResult PLAT_CALLBACK main_proc(plat::Hwnd hwnd, unsigned message, plat::WParam wparam,
                                      plat::LParam lparam) {
    switch (message) {
        case plat::wm::kPaint: return on_paint(hwnd), 0;
        case plat::wm::kCommand: return on_command(wparam, lparam), 0;
        case plat::wm::kActivate: on_activate(wparam); break;
        case plat::wm::kSetFocus: return on_set_focus(), 0;
        case plat::wm::kQueryEndSession: return 1;
        case plat::wm::kNcDestroy: on_nc_destroy(); break;
        default: break;
    }
    return plat::def_window_proc(hwnd, message, wparam, lparam);
}

// ---- Creation ----------------------------------------------------------------------------

bool register_classes() {
    return plat::register_class({kMainClass, main_proc, plat::cs::kDblClks | plat::cs::kHRedraw |
                                                            plat::cs::kVRedraw,
                                 plat::Cursor::Arrow}) &&
           plat::register_class({kLabelClass, label_proc, 0, plat::Cursor::Arrow}) &&
           hyperlink::register_class();
}

// The first image of the wanted width with at least 16 colours, or else the last one.
int icon_image_for(int wanted_width) {
    int count = plat::icon_image_count(plat::kProgramIcon);
    for (int i = 0; i < count; ++i) {
        plat::IconImageInfo info = plat::icon_image_info(plat::kProgramIcon, i);
        if (info.width == wanted_width && info.colors >= 16) return i;
    }
    return count - 1;
}

void set_icons(plat::Hwnd hwnd) {
    const struct {
        int which, width;
    } kIcons[] = {{plat::kIconBig, 32}, {plat::kIconSmall, 16}};
    for (const auto& icon : kIcons) {
        int image = icon_image_for(icon.width);
        if (image < 0) continue;
        plat::Hicon handle = plat::create_icon_from_image(plat::kProgramIcon, image);
        plat::send_message(hwnd, plat::wm::kSetIcon, static_cast<plat::WParam>(icon.which),
                           reinterpret_cast<plat::LParam>(handle));
    }
}

plat::Hwnd create_control(std::size_t index) {
    const ControlDescription& c = control(index);
    std::uint32_t style = kChildStyle;
    if (c.tab_stop) style |= plat::ws::kTabStop;
    if (!c.enabled) style |= plat::ws::kDisabled;
    std::uint32_t ex_style =
        c.border == Border::Framed ? plat::ws::kExClientEdge | plat::ws::kExDlgModalFrame : 0;
    const char* class_name = kLabelClass;
    if (c.kind == ControlKind::Button) {
        class_name = kButtonClass;
        style |= kButtonStyle;
    } else if (c.kind == ControlKind::HyperLinker) {
        class_name = hyperlink::kClassName;
    }
    plat::Hwnd hwnd = plat::create_window(ex_style, class_name, c.text, style, c.left, c.top,
                                          c.width, c.height, g_main.window);
    if (hwnd == nullptr) return nullptr;
    g_main.controls[index] = hwnd;
    if (c.font.face != nullptr) {
        g_main.fonts[index] = plat::create_font({c.font.face, c.font.height, c.font.weight,
                                                 c.font.italic, c.font.underline,
                                                 c.font.strike_out});
    }
    if (c.kind == ControlKind::Button)
        plat::send_message(hwnd, plat::wm::kSetFont,
                           reinterpret_cast<plat::WParam>(plat::default_gui_font()), 0);
    if (c.kind == ControlKind::HyperLinker) hyperlink::attach(hwnd, kMainWindow.link_target);
    return hwnd;
}

// Controls are created bottom first, then stacked in their stored order, topmost first.
bool create_controls() {
    std::size_t count = kMainWindow.control_count;
    for (std::size_t i = count; i-- > 0;)
        if (create_control(i) == nullptr) return false;
    for (std::size_t i = 0; i < count; ++i)
        plat::place_below(g_main.controls[i], i == 0 ? nullptr : g_main.controls[i - 1]);
    for (std::size_t i = 0; i < count; ++i)
        if (control(i).visible) plat::show_window(g_main.controls[i], plat::sw::kShowNa);
    return true;
}

}  // namespace

bool create_main_window() {
    const WindowDescription& d = kMainWindow;
    if (!register_classes()) return false;
    // The whole primary screen, not its work area; the division truncates.
    int x = (plat::system_metric(plat::kSmCxScreen) - d.width) / 2;
    int y = (plat::system_metric(plat::kSmCyScreen) - d.height) / 2;
    g_main = MainWindowState{};
    g_main.window = plat::create_window(0, kMainClass, d.title, kMainStyle, x, y, d.width,
                                        d.height, nullptr);
    if (g_main.window == nullptr) return false;
    plat::Rect outer = plat::window_rect(g_main.window);
    if (outer.right - outer.left != d.width || outer.bottom - outer.top != d.height)
        plat::move_window(g_main.window, x, y, d.width, d.height);
    set_icons(g_main.window);
    if (!create_controls()) return false;
    raise(kCreatedHandler);
    if (plat::is_window(g_main.window)) {
        plat::show_window(g_main.window, plat::sw::kShow);
        if (!plat::is_child(g_main.window, plat::get_focus())) plat::set_focus(first_tab_stop());
    }
    return true;
}

bool pretranslate_message(const plat::Message& message) {
    plat::Hwnd main = g_main.window;
    if (main == nullptr || (message.hwnd != main && !plat::is_child(main, message.hwnd)))
        return false;
    if (message.message != plat::wm::kKeyDown && message.message != plat::wm::kSysKeyDown)
        return false;
    if (!plat::is_window_enabled(message.hwnd)) return false;
    bool shift = plat::key_down(plat::vk::kShift);
    bool other = plat::key_down(plat::vk::kControl) || plat::key_down(plat::vk::kMenu);
    switch (message.wparam) {
        case plat::vk::kEscape:
            if (shift || other || !kMainWindow.escape_closes) return false;
            plat::send_message(main, plat::wm::kClose, 0, 0);
            return true;
        case plat::vk::kTab:
            if (other) return false;
            move_focus(shift);
            return true;
        default:
            return false;  // Enter and F1 do nothing here: no default button, no help
    }
}

plat::Hwnd main_window() { return g_main.window; }

}  // namespace app
