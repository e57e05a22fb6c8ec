// The window manager of the stand-in platform: windows with their stacking order,
// focus, activation, capture, a message queue, the system BUTTON class and recorded
// drawing. It follows what Windows does for the messages the program handles.
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "platform/standin/standin.h"

namespace {

struct Window {
    std::string class_name, text;
    std::uint32_t style = 0, ex_style = 0;
    plat::Rect rect{};
    std::uintptr_t parent = 0;
    std::vector<std::uintptr_t> children;  // stacking order, top first
    std::vector<std::uintptr_t> created;   // creation order
    plat::WndProc proc = nullptr;
    bool alive = true;
    int big_icon = -1, small_icon = -1;
    plat::Hfont font = nullptr;
    bool button_pressed = false;
};

struct Queued {
    plat::Message message;
    unsigned modifiers;
};

struct Ui {
    int screen_width = 1024, screen_height = 768;
    plat::ColorRef button_face = standin::kButtonFace;
    std::map<std::string, plat::WindowClass> classes;
    std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<std::uintptr_t> top_levels;
    std::uintptr_t next_window = 0x100;
    std::uintptr_t focus = 0, active = 0, capture = 0;
    std::deque<Queued> queue;
    bool quit_posted = false;
    int quit_code = 0;
    unsigned modifiers = 0;
    std::function<void()> idle;
    std::function<void(plat::Hwnd)> shown;
    std::string failing_class;
    std::vector<standin::DrawCall> drawing;
    struct Font {
        std::string face;
        int height;
    };
    std::map<std::uintptr_t, Font> fonts;
    std::uintptr_t next_font = 0x10;
    struct Dc {
        std::uintptr_t hwnd;
        plat::Hfont font;
        plat::ColorRef text_color;
        bool transparent;
    };
    std::map<std::uintptr_t, Dc> dcs;
    std::uintptr_t next_dc = 0x5000;
    std::map<std::uintptr_t, plat::Rect> pending_update;
};

Ui& ui() {
    static Ui instance;
    return instance;
}

constexpr std::uintptr_t kDefaultGuiFont = 0x1;

plat::Hwnd handle(std::uintptr_t id) { return reinterpret_cast<plat::Hwnd>(id); }
std::uintptr_t id_of(plat::Hwnd hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

Window* find(plat::Hwnd hwnd) {
    auto it = ui().windows.find(id_of(hwnd));
    return it != ui().windows.end() && it->second->alive ? it->second.get() : nullptr;
}

Window& window(plat::Hwnd hwnd) {
    Window* w = find(hwnd);
    if (w == nullptr) throw std::logic_error("stand-in: not a window");
    return *w;
}

plat::WParam make_wparam(unsigned low, unsigned high) { return (low & 0xFFFF) | (high << 16); }
plat::LParam make_lparam(int x, int y) {
    return static_cast<plat::LParam>((x & 0xFFFF) | ((y & 0xFFFF) << 16));
}

std::uintptr_t top_level_of(std::uintptr_t id) {
    while (id != 0 && ui().windows[id]->parent != 0) id = ui().windows[id]->parent;
    return id;
}

plat::LResult PLAT_CALLBACK button_proc(plat::Hwnd, unsigned, plat::WParam, plat::LParam);

plat::LResult call(plat::Hwnd hwnd, unsigned message, plat::WParam wparam, plat::LParam lparam) {
    Window* w = find(hwnd);
    if (w == nullptr) return 0;
    return w->proc(hwnd, message, wparam, lparam);
}

void activate_window(std::uintptr_t id) {
    if (ui().active == id) return;
    std::uintptr_t previous = ui().active;
    ui().active = id;
    if (previous != 0) call(handle(previous), plat::wm::kActivate, 0, static_cast<plat::LParam>(id));
    call(handle(id), plat::wm::kActivate, 1, static_cast<plat::LParam>(previous));
}

// The client origin of a window in screen coordinates.
void client_origin(std::uintptr_t id, int* x, int* y) {
    const Window& w = *ui().windows[id];
    int px = 0, py = 0;
    if (w.parent != 0) client_origin(w.parent, &px, &py);
    *x = px + w.rect.left;
    *y = py + w.rect.top;
    if (w.parent == 0 && (w.style & plat::ws::kCaption) == plat::ws::kCaption) {
        *x += standin::kFrame;
        *y += standin::kFrame + standin::kCaption;
    }
}

}  // namespace

namespace standin {

void reset_windows() { ui() = Ui{}; }

void set_top_levels_enabled(bool enabled) {
    for (std::uintptr_t id : ui().top_levels) {
        Window& w = *ui().windows[id];
        if (!w.alive) continue;
        w.style = enabled ? w.style & ~plat::ws::kDisabled : w.style | plat::ws::kDisabled;
    }
}

void set_screen(int width, int height) {
    ui().screen_width = width;
    ui().screen_height = height;
}

void queue_message(plat::Hwnd target, unsigned message, plat::WParam wparam, plat::LParam lparam,
                   unsigned modifiers) {
    ui().queue.push_back({{target, message, wparam, lparam}, modifiers});
}

void queue_key(plat::Hwnd target, unsigned virtual_key, unsigned modifiers) {
    unsigned down = (modifiers & kAlt) ? plat::wm::kSysKeyDown : plat::wm::kKeyDown;
    queue_message(target, down, virtual_key, 1, modifiers);
    queue_message(target, down + 1, virtual_key, static_cast<plat::LParam>(0xC0000001u),
                  modifiers);
}

void on_idle(std::function<void()> handler) { ui().idle = std::move(handler); }

void click(plat::Hwnd hwnd, int x, int y) {
    plat::send_message(hwnd, plat::wm::kLButtonDown, 1, make_lparam(x, y));
    plat::Hwnd target = ui().capture ? handle(ui().capture) : hwnd;
    plat::send_message(target, plat::wm::kLButtonUp, 0, make_lparam(x, y));
}

void move_mouse(plat::Hwnd hwnd, int x, int y) {
    // With the mouse captured, the move goes to the capturing window in its coordinates.
    if (ui().capture != 0 && ui().capture != id_of(hwnd)) {
        int hx, hy, cx, cy;
        client_origin(id_of(hwnd), &hx, &hy);
        client_origin(ui().capture, &cx, &cy);
        plat::send_message(handle(ui().capture), plat::wm::kMouseMove, 0,
                           make_lparam(x + hx - cx, y + hy - cy));
        return;
    }
    plat::send_message(hwnd, plat::wm::kMouseMove, 0, make_lparam(x, y));
}

void deactivate(plat::Hwnd top_level) {
    if (ui().active != id_of(top_level)) return;
    ui().active = 0;
    call(top_level, plat::wm::kActivate, 0, 0);
    plat::set_focus(nullptr);
}

void activate(plat::Hwnd top_level) { activate_window(id_of(top_level)); }

void on_show(std::function<void(plat::Hwnd)> handler) { ui().shown = std::move(handler); }

void fail_window_creation(const std::string& class_name) { ui().failing_class = class_name; }

WindowInfo window_info(plat::Hwnd hwnd) {
    auto it = ui().windows.find(id_of(hwnd));
    if (it == ui().windows.end()) throw std::logic_error("stand-in: unknown window");
    const Window& w = *it->second;
    return {w.class_name, w.text, w.style, w.ex_style, w.rect, w.alive,
            (w.style & plat::ws::kVisible) != 0, (w.style & plat::ws::kDisabled) == 0,
            w.big_icon, w.small_icon, w.font};
}

plat::Hwnd find_top_level(const std::string& title) {
    for (std::uintptr_t id : ui().top_levels) {
        const Window& w = *ui().windows[id];
        if (w.alive && w.text == title) return handle(id);
    }
    return nullptr;
}

std::vector<plat::Hwnd> top_levels_created() {
    std::vector<plat::Hwnd> out;
    for (std::uintptr_t id : ui().top_levels) out.push_back(handle(id));
    return out;
}

std::vector<plat::Hwnd> creation_order(plat::Hwnd parent) {
    std::vector<plat::Hwnd> out;
    for (std::uintptr_t id : window(parent).created) out.push_back(handle(id));
    return out;
}

void paint(plat::Hwnd hwnd, const plat::Rect& update) {
    ui().pending_update[id_of(hwnd)] = update;
    plat::send_message(hwnd, plat::wm::kPaint, 0, 0);
    ui().pending_update.erase(id_of(hwnd));
}

const std::vector<DrawCall>& drawing() { return ui().drawing; }
void clear_drawing() { ui().drawing.clear(); }
int live_fonts() { return static_cast<int>(ui().fonts.size()); }
void set_button_face(plat::ColorRef color) { ui().button_face = color; }

}  // namespace standin

namespace plat {

bool register_class(const WindowClass& window_class) {
    if (ui().classes.count(window_class.name)) return false;
    ui().classes[window_class.name] = window_class;
    return true;
}

Hwnd create_window(std::uint32_t ex_style, const char* class_name, const char* title,
                   std::uint32_t style, int x, int y, int width, int height, Hwnd parent) {
    std::string name = class_name;
    if (!ui().failing_class.empty() && ui().failing_class == name) {
        ui().failing_class.clear();
        return nullptr;
    }
    WndProc proc = nullptr;
    if (name == "BUTTON") {
        proc = button_proc;
    } else if (ui().classes.count(name)) {
        proc = ui().classes[name].proc;
    } else {
        return nullptr;
    }
    if (parent != nullptr && find(parent) == nullptr) return nullptr;
    auto w = std::make_unique<Window>();
    w->class_name = name;
    w->text = title ? title : "";
    w->style = style;
    w->ex_style = ex_style;
    w->rect = {x, y, x + width, y + height};
    w->parent = id_of(parent);
    w->proc = proc;
    std::uintptr_t id = ui().next_window++;
    ui().windows[id] = std::move(w);
    if (parent != nullptr) {
        Window& p = window(parent);
        p.children.push_back(id);  // a new child goes to the bottom, as on Windows
        p.created.push_back(id);
    } else {
        ui().top_levels.push_back(id);
    }
    if (proc(handle(id), wm::kCreate, 0, 0) == -1) {
        destroy_window(handle(id));
        return nullptr;
    }
    return handle(id);
}

bool destroy_window(Hwnd hwnd) {
    Window* w = find(hwnd);
    if (w == nullptr) return false;
    std::uintptr_t id = id_of(hwnd);
    w->style &= ~ws::kVisible;
    call(hwnd, wm::kDestroy, 0, 0);
    for (std::uintptr_t child : std::vector<std::uintptr_t>(w->children))
        destroy_window(handle(child));
    if (ui().focus == id) ui().focus = 0;
    if (ui().capture == id) ui().capture = 0;
    if (ui().active == id) ui().active = 0;
    call(hwnd, wm::kNcDestroy, 0, 0);
    w->alive = false;
    if (w->parent != 0) {
        auto& siblings = ui().windows[w->parent]->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    }
    return true;
}

bool is_window(Hwnd hwnd) { return find(hwnd) != nullptr; }

LResult def_window_proc(Hwnd hwnd, unsigned message, WParam wparam, LParam lparam) {
    Window* w = find(hwnd);
    if (w == nullptr) return 0;
    switch (message) {
        case wm::kClose:
            destroy_window(hwnd);
            return 0;
        case wm::kQueryEndSession:
            return 1;
        case wm::kActivate:
            if ((wparam & 0xFFFF) != 0) set_focus(hwnd);
            return 0;
        case wm::kSetIcon: {
            int& slot = wparam == kIconBig ? w->big_icon : w->small_icon;
            int previous = slot;
            slot = static_cast<int>(lparam) - 1;
            return previous + 1;
        }
        case wm::kSysKeyDown:
            // Alt+F4 closes a top-level window, as its system menu's Close does.
            if (wparam == vk::kF4 && w->parent == 0) send_message(hwnd, wm::kClose, 0, 0);
            return 0;
        case wm::kPaint: {
            PaintInfo info;
            begin_paint(hwnd, &info);
            end_paint(hwnd, info);
            return 0;
        }
        default:
            return 0;
    }
}

LResult send_message(Hwnd hwnd, unsigned message, WParam wparam, LParam lparam) {
    return call(hwnd, message, wparam, lparam);
}

bool get_message(Message* message) {
    Ui& u = ui();
    while (u.queue.empty() && !u.quit_posted) {
        if (!u.idle) throw std::logic_error("stand-in: the message loop waits for input forever");
        auto idle = u.idle;
        idle();
        if (u.queue.empty() && !u.quit_posted)
            throw std::logic_error("stand-in: idle handler gave the loop nothing to do");
    }
    if (u.queue.empty()) {
        u.quit_posted = false;
        *message = {nullptr, wm::kQuit, static_cast<WParam>(u.quit_code), 0};
        return false;
    }
    Queued next = u.queue.front();
    u.queue.pop_front();
    u.modifiers = next.modifiers;
    *message = next.message;
    return true;
}

void translate_message(const Message& message) {
    standin::note("TranslateMessage " + std::to_string(message.message));
}

LResult dispatch_message(const Message& message) {
    standin::note("DispatchMessage " + std::to_string(message.message));
    Window* w = find(message.hwnd);
    // Input never reaches a disabled window.
    if (w == nullptr || (w->style & ws::kDisabled)) return 0;
    return call(message.hwnd, message.message, message.wparam, message.lparam);
}

void post_quit_message(int code) {
    standin::note("PostQuitMessage " + std::to_string(code));
    ui().quit_posted = true;
    ui().quit_code = code;
}

Rect window_rect(Hwnd hwnd) {
    const Window& w = window(hwnd);
    if (w.parent == 0) return w.rect;
    int x, y;
    client_origin(w.parent, &x, &y);
    return {w.rect.left + x, w.rect.top + y, w.rect.right + x, w.rect.bottom + y};
}

Rect client_rect(Hwnd hwnd) {
    const Window& w = window(hwnd);
    int width = w.rect.right - w.rect.left, height = w.rect.bottom - w.rect.top;
    if (w.parent == 0 && (w.style & ws::kCaption) == ws::kCaption) {
        width -= 2 * standin::kFrame;
        height -= 2 * standin::kFrame + standin::kCaption;
    }
    return {0, 0, width, height};
}

bool move_window(Hwnd hwnd, int x, int y, int width, int height) {
    window(hwnd).rect = {x, y, x + width, y + height};
    return true;
}

bool place_below(Hwnd hwnd, Hwnd after) {
    Window& w = window(hwnd);
    if (w.parent == 0) return true;
    auto& siblings = ui().windows[w.parent]->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id_of(hwnd)), siblings.end());
    auto at = after ? std::find(siblings.begin(), siblings.end(), id_of(after)) + 1
                    : siblings.begin();
    siblings.insert(at, id_of(hwnd));
    return true;
}

void show_window(Hwnd hwnd, int command) {
    Window& w = window(hwnd);
    if (command == sw::kHide) {
        w.style &= ~ws::kVisible;
        return;
    }
    w.style |= ws::kVisible;
    // A top-level window shown normally becomes the active window.
    if (command == sw::kShow && w.parent == 0) {
        activate_window(id_of(hwnd));
        if (auto shown = ui().shown) shown(hwnd);
    }
}

Hwnd get_parent(Hwnd hwnd) { return find(hwnd) ? handle(window(hwnd).parent) : nullptr; }

bool is_child(Hwnd parent, Hwnd hwnd) {
    for (Hwnd up = get_parent(hwnd); up != nullptr; up = get_parent(up))
        if (up == parent) return true;
    return false;
}

bool is_window_enabled(Hwnd hwnd) { return find(hwnd) && !(window(hwnd).style & ws::kDisabled); }
bool is_window_visible(Hwnd hwnd) { return find(hwnd) && (window(hwnd).style & ws::kVisible); }
std::uint32_t window_style(Hwnd hwnd) { return find(hwnd) ? window(hwnd).style : 0; }

Hwnd first_child(Hwnd parent) {
    const Window& w = window(parent);
    return w.children.empty() ? nullptr : handle(w.children.front());
}

Hwnd next_sibling(Hwnd hwnd) {
    const Window& w = window(hwnd);
    if (w.parent == 0) return nullptr;
    const auto& siblings = ui().windows[w.parent]->children;
    auto it = std::find(siblings.begin(), siblings.end(), id_of(hwnd));
    return it == siblings.end() || it + 1 == siblings.end() ? nullptr : handle(*(it + 1));
}

std::size_t window_text(Hwnd hwnd, char* buffer, std::size_t size) {
    if (size == 0) return 0;
    const std::string& text = window(hwnd).text;
    std::size_t n = std::min(text.size(), size - 1);
    text.copy(buffer, n);
    buffer[n] = '\0';
    return n;
}

Hwnd set_focus(Hwnd hwnd) {
    std::uintptr_t previous = ui().focus, next = id_of(hwnd);
    if (next != 0 && find(hwnd) == nullptr) return nullptr;
    if (previous == next) return handle(previous);
    if (next != 0) {
        std::uintptr_t top = top_level_of(next);
        if (ui().active != top) activate_window(top);
        if (ui().focus != previous) return handle(previous);  // activation moved it already
    }
    ui().focus = next;
    if (previous != 0) call(handle(previous), wm::kKillFocus, next, 0);
    if (next != 0) call(hwnd, wm::kSetFocus, previous, 0);
    return handle(previous);
}

Hwnd get_focus() { return handle(ui().focus); }

bool key_down(unsigned virtual_key) {
    unsigned m = ui().modifiers;
    return (virtual_key == vk::kShift && (m & standin::kShift)) ||
           (virtual_key == vk::kControl && (m & standin::kControl)) ||
           (virtual_key == vk::kMenu && (m & standin::kAlt));
}

Hwnd set_capture(Hwnd hwnd) {
    std::uintptr_t previous = ui().capture;
    ui().capture = id_of(hwnd);
    if (previous != 0 && previous != id_of(hwnd))
        call(handle(previous), wm::kCaptureChanged, 0, static_cast<LParam>(id_of(hwnd)));
    return handle(previous);
}

bool release_capture() {
    std::uintptr_t previous = ui().capture;
    ui().capture = 0;
    if (previous != 0) call(handle(previous), wm::kCaptureChanged, 0, 0);
    return true;
}

Hwnd get_capture() { return handle(ui().capture); }

void invalidate(Hwnd) { standin::note("Invalidate"); }

int system_metric(int index) {
    if (index == kSmCxScreen) return ui().screen_width;
    if (index == kSmCyScreen) return ui().screen_height;
    return 0;
}

// The program's icon: a 16-colour and a 256-colour image, both 32 x 32.
int icon_image_count(int group) { return group == kProgramIcon ? 2 : 0; }

IconImageInfo icon_image_info(int, int index) {
    return index == 0 ? IconImageInfo{32, 32, 16} : IconImageInfo{32, 32, 256};
}

// The handle carries the image index plus one, so WM_SETICON can record which it was.
Hicon create_icon_from_image(int, int index) {
    return reinterpret_cast<Hicon>(static_cast<std::uintptr_t>(index + 1));
}

Hdc begin_paint(Hwnd hwnd, PaintInfo* info) {
    std::uintptr_t dc = ui().next_dc++;
    ui().dcs[dc] = {id_of(hwnd), reinterpret_cast<Hfont>(kDefaultGuiFont), rgb(0, 0, 0), false};
    auto pending = ui().pending_update.find(id_of(hwnd));
    info->dc = reinterpret_cast<Hdc>(dc);
    info->update = pending != ui().pending_update.end() ? pending->second : client_rect(hwnd);
    return info->dc;
}

void end_paint(Hwnd, const PaintInfo& info) {
    ui().dcs.erase(reinterpret_cast<std::uintptr_t>(info.dc));
}

ColorRef sys_color(int index) { return index == kColorBtnFace ? ui().button_face : 0; }

void fill_rect(Hdc dc, const Rect& rect, ColorRef color) {
    const Ui::Dc& d = ui().dcs.at(reinterpret_cast<std::uintptr_t>(dc));
    ui().drawing.push_back(
        {standin::DrawKind::Fill, handle(d.hwnd), rect, color, "", 0, false, "", 0});
}

Hfont default_gui_font() { return reinterpret_cast<Hfont>(kDefaultGuiFont); }

Hfont create_font(const LogicalFont& font) {
    std::uintptr_t id = ui().next_font++;
    ui().fonts[id] = {font.face, font.height};
    return reinterpret_cast<Hfont>(id);
}

void delete_font(Hfont font) { ui().fonts.erase(reinterpret_cast<std::uintptr_t>(font)); }

Hfont select_font(Hdc dc, Hfont font) {
    Ui::Dc& d = ui().dcs.at(reinterpret_cast<std::uintptr_t>(dc));
    Hfont previous = d.font;
    d.font = font;
    return previous;
}

void set_text_color(Hdc dc, ColorRef color) {
    ui().dcs.at(reinterpret_cast<std::uintptr_t>(dc)).text_color = color;
}

void set_transparent_background(Hdc dc) {
    ui().dcs.at(reinterpret_cast<std::uintptr_t>(dc)).transparent = true;
}

void draw_text(Hdc dc, const char* text, const Rect& rect, unsigned format) {
    const Ui::Dc& d = ui().dcs.at(reinterpret_cast<std::uintptr_t>(dc));
    std::string face;
    int height = 0;
    auto font = ui().fonts.find(reinterpret_cast<std::uintptr_t>(d.font));
    if (font != ui().fonts.end()) {
        face = font->second.face;
        height = font->second.height;
    }
    ui().drawing.push_back({standin::DrawKind::Text, handle(d.hwnd), rect, d.text_color, text,
                            format, d.transparent, face, height});
}

}  // namespace plat

namespace {

// The system push button: clicks on the left button's release over it, or on the
// space bar's release while it has the focus, and tells its parent with BN_CLICKED.
plat::LResult PLAT_CALLBACK button_proc(plat::Hwnd hwnd, unsigned message, plat::WParam wparam,
                                        plat::LParam lparam) {
    Window& w = window(hwnd);
    auto notify = [&] {
        plat::send_message(handle(w.parent), plat::wm::kCommand,
                           make_wparam(0, plat::bs::kClicked), static_cast<plat::LParam>(id_of(hwnd)));
    };
    switch (message) {
        case plat::wm::kLButtonDown:
            w.button_pressed = true;
            plat::set_capture(hwnd);
            plat::set_focus(hwnd);
            return 0;
        case plat::wm::kLButtonUp: {
            bool was_pressed = w.button_pressed;
            w.button_pressed = false;
            plat::release_capture();
            int x = static_cast<std::int16_t>(lparam & 0xFFFF);
            int y = static_cast<std::int16_t>((lparam >> 16) & 0xFFFF);
            plat::Rect r = plat::client_rect(hwnd);
            if (was_pressed && x >= r.left && x < r.right && y >= r.top && y < r.bottom) notify();
            return 0;
        }
        case plat::wm::kKeyDown:
            if (wparam == plat::vk::kSpace) w.button_pressed = true;
            return 0;
        case plat::wm::kKeyUp:
            if (wparam == plat::vk::kSpace && w.button_pressed) {
                w.button_pressed = false;
                notify();
            }
            return 0;
        case plat::wm::kSetFont:
            w.font = reinterpret_cast<plat::Hfont>(wparam);
            return 0;
        default:
            return plat::def_window_proc(hwnd, message, wparam, lparam);
    }
}

}  // namespace
