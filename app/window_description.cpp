#include "app/window_description.h"

#include "app/texts.h"

namespace app {

namespace {

constexpr std::uint32_t rgb(unsigned r, unsigned g, unsigned b) { return plat::rgb(r, g, b); }

constexpr FontDescription kDefaultFont{nullptr, 0, 0, false, false, false};
constexpr FontDescription kServiceFont{texts::kServiceFont, -24, 400, false, false, false};

constexpr ControlDescription kControls[] = {
    {texts::kServiceName, ControlKind::Label, "Label", 24, 35, 103, 24, true, true, false, 0,
     texts::kServiceNameText, kServiceFont, rgb(255, 128, 0), kSystemDefault,
     TextEffect::Highlight, Border::None},
    {texts::kPanelName, ControlKind::Label, "Label", 10, 6, 126, 82, true, true, false, 0, "",
     kDefaultFont, rgb(0, 0, 0), kSystemDefault, TextEffect::None, Border::Framed},
    {texts::kLinkName, ControlKind::HyperLinker, "HyperLinker", 10, 88, 128, 24, true, true, false,
     0, texts::kServiceAddress, kDefaultFont, rgb(0, 0, 255), kSystemDefault, TextEffect::None,
     Border::None},
    {texts::kContactName, ControlKind::Label, "Label", 150, 82, 73, 14, true, true, false, 0,
     texts::kContactLine, kDefaultFont, rgb(0, 0, 0), kSystemDefault, TextEffect::None,
     Border::None},
    {texts::kCreditName, ControlKind::Label, "Label", 173, 90, 51, 24, true, true, false, 0,
     texts::kCreditLine, kDefaultFont, rgb(0, 0, 0), kSystemDefault, TextEffect::None,
     Border::None},
    {texts::kButtonName, ControlKind::Button, "Button", 146, 20, 80, 52, true, true, true, 0,
     texts::kButtonCaption, kDefaultFont, rgb(0, 0, 0), kSystemDefault, TextEffect::None,
     Border::None},
};

}  // namespace

const WindowDescription kMainWindow{
    texts::kWindowTitle,
    240,
    147,
    50,
    50,
    kSystemDefault,
    true,
    false,
    false,
    kControls,
    sizeof kControls / sizeof kControls[0],
    {rgb(0, 0, 255), rgb(49, 106, 197), rgb(128, 0, 0)},
    texts::kServiceAddress,
};

plat::ColorRef resolve_color(std::uint32_t color) {
    return color == kSystemDefault ? plat::sys_color(plat::kColorBtnFace) : color;
}

}  // namespace app
