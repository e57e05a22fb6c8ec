// The main window and its controls, as constant data. Nothing here is written at run
// time; creation, stacking, painting and the keyboard read from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace app {

// The colour that stands for the system's button-face colour, read at every paint. No
// RGB colour has this value.
constexpr std::uint32_t kSystemDefault = 0xFF000000;

enum class ControlKind { Label, Button, HyperLinker };
enum class Border { None, Framed };
enum class TextEffect { None, Highlight };

struct FontDescription {
    const char* face;  // null: the system default GUI font
    int height;        // negative character height in pixels
    int weight;
    bool italic, underline, strike_out;
};

struct ControlDescription {
    const char* name;
    ControlKind kind;
    const char* kind_name;
    int left, top, width, height;
    bool visible, enabled, tab_stop;
    int tab_order;
    const char* text;
    FontDescription font;
    std::uint32_t text_color;  // RGB or kSystemDefault
    std::uint32_t background;
    TextEffect effect;
    Border border;
};

struct HyperlinkColors {
    std::uint32_t normal, hover, visited;
};

struct WindowDescription {
    const char* title;
    int width, height;           // outer size, frame and title bar included
    int stored_left, stored_top;  // overridden: the window starts centred on the screen
    std::uint32_t background;
    bool escape_closes, enter_moves_focus, f1_opens_help;
    const ControlDescription* controls;  // stored order = stacking order, topmost first
    std::size_t control_count;
    HyperlinkColors link_colors;
    const char* link_target;
};

extern const WindowDescription kMainWindow;

// The colour a description value stands for at this moment.
plat::ColorRef resolve_color(std::uint32_t color);

}  // namespace app
