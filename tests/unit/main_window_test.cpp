#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/testing.h"
#include "window_support.h"

namespace {

using MainWindow = WindowTest;
using plat::Rect;

TEST(MainWindowPlacement, CentresOnTheWholeScreenTruncating) {
    const struct {
        int width, height;
        Rect outer;
    } cases[] = {
        {1024, 768, {392, 310, 632, 457}},
        {800, 600, {280, 226, 520, 373}},
        {1023, 767, {391, 310, 631, 457}},  // halves are dropped
        {201, 100, {-19, -23, 221, 124}},   // toward zero, not down
    };
    for (const auto& c : cases) {
        standin::reset();
        standin::set_screen(c.width, c.height);
        ASSERT_TRUE(app::create_main_window());
        EXPECT_EQ(plat::window_rect(app::main_window()), c.outer) << c.width << "x" << c.height;
        plat::destroy_window(app::main_window());
    }
}

TEST_F(MainWindow, IsAFixedFrameWindowWithTheProgramIcons) {
    standin::WindowInfo info = standin::window_info(main);
    EXPECT_EQ(info.text, "Tavrilon");
    EXPECT_EQ(info.style, plat::ws::kCaption | plat::ws::kSysMenu | plat::ws::kDlgFrame |
                              plat::ws::kClipChildren | plat::ws::kVisible);
    EXPECT_EQ(info.ex_style, 0u);
    EXPECT_EQ(plat::get_parent(main), nullptr);
    EXPECT_EQ(info.big_icon, 0) << "the large icon comes from the 16-colour image";
    EXPECT_EQ(info.small_icon, 1) << "the small icon comes from the 256-colour image";
}

TEST_F(MainWindow, ControlsStackInStoredOrderAndWereCreatedBottomFirst) {
    constexpr std::uint32_t kChild =
        plat::ws::kChild | plat::ws::kClipSiblings | plat::ws::kVisible;
    constexpr std::uint32_t kButton = kChild | plat::ws::kTabStop | plat::bs::kPushButton |
                                      plat::bs::kCenter | plat::bs::kVCenter | plat::bs::kMultiline;
    const struct {
        const char* text;
        const char* class_name;
        Rect rect;
        std::uint32_t style, ex_style;
    } expected[] = {
        {"Morvessa", "TavrilonLabel", {24, 35, 127, 59}, kChild, 0},
        {"", "TavrilonLabel", {10, 6, 136, 88}, kChild,
         plat::ws::kExClientEdge | plat::ws::kExDlgModalFrame},
        {"http://mvs.example/", "TavrilonHyperLinker", {10, 88, 138, 112}, kChild, 0},
        {"客服:见论坛\r\n", "TavrilonLabel", {150, 82, 223, 96}, kChild, 0},
        {"晨光制作", "TavrilonLabel", {173, 90, 224, 114}, kChild, 0},
        {"注 册", "BUTTON", {146, 20, 226, 72}, kButton, 0},
    };
    std::vector<plat::Hwnd> controls = stacked();
    ASSERT_EQ(controls.size(), 6u);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        standin::WindowInfo info = standin::window_info(controls[i]);
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(info.text, expected[i].text);
        EXPECT_EQ(info.class_name, expected[i].class_name);
        EXPECT_EQ(info.rect, expected[i].rect);
        EXPECT_EQ(info.style, expected[i].style);
        EXPECT_EQ(info.ex_style, expected[i].ex_style);
    }
    std::vector<plat::Hwnd> created = standin::creation_order(main);
    EXPECT_EQ(std::vector<plat::Hwnd>(controls.rbegin(), controls.rend()), created);
    EXPECT_EQ(standin::window_info(button()).font, plat::default_gui_font());
}

TEST_F(MainWindow, TheButtonHasTheFocusAndKeepsItThroughTabAndActivation) {
    EXPECT_EQ(plat::get_focus(), button());
    EXPECT_TRUE(press(button(), plat::vk::kTab));
    EXPECT_EQ(plat::get_focus(), button());
    EXPECT_TRUE(press(button(), plat::vk::kTab, standin::kShift));
    EXPECT_EQ(plat::get_focus(), button());

    standin::deactivate(main);
    EXPECT_EQ(plat::get_focus(), nullptr);
    standin::activate(main);
    EXPECT_EQ(plat::get_focus(), button()) << "the remembered control gets the focus back";

    // Another control held the focus when the window lost the activation: that one, not
    // the first tab stop, gets it back.
    plat::Hwnd panel = control("");
    plat::set_focus(panel);
    standin::deactivate(main);
    standin::activate(main);
    EXPECT_EQ(plat::get_focus(), panel);
}

TEST_F(MainWindow, KeyboardTable) {
    const struct {
        const char* name;
        unsigned key, modifiers;
        bool handled, window_survives;
    } cases[] = {
        {"Shift+Esc", plat::vk::kEscape, standin::kShift, false, true},
        {"Ctrl+Esc", plat::vk::kEscape, standin::kControl, false, true},
        {"Alt+Esc", plat::vk::kEscape, standin::kAlt, false, true},
        {"Ctrl+Tab", plat::vk::kTab, standin::kControl, false, true},
        {"Enter", plat::vk::kReturn, standin::kNoModifier, false, true},
        {"F1", plat::vk::kF1, standin::kNoModifier, false, true},
        {"Esc", plat::vk::kEscape, standin::kNoModifier, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(plat::is_window(main));
        EXPECT_EQ(press(button(), c.key, c.modifiers), c.handled);
        EXPECT_EQ(plat::is_window(main), c.window_survives);
        EXPECT_TRUE(standin::boxes().empty()) << "no key but the space bar registers";
    }
}

TEST_F(MainWindow, LeavesOtherWindowsAndDisabledOnesAlone) {
    plat::Hwnd b = button();
    standin::set_top_levels_enabled(true);
    // A key for a window that is not ours.
    plat::Message foreign{reinterpret_cast<plat::Hwnd>(0x7777), plat::wm::kKeyDown,
                          plat::vk::kEscape, 0};
    EXPECT_FALSE(app::pretranslate_message(foreign));
    // A disabled target is never handled.
    plat::Message to_disabled{main, plat::wm::kKeyDown, plat::vk::kEscape, 0};
    standin::set_top_levels_enabled(false);
    EXPECT_FALSE(app::pretranslate_message(to_disabled));
    standin::set_top_levels_enabled(true);
    EXPECT_TRUE(plat::is_window(main));
    EXPECT_EQ(plat::get_focus(), b);
}

TEST_F(MainWindow, SpaceAndClickRegisterInATaskModalBox) {
    standin::add_file("C:\\UO\\Client.exe");
    press(button(), plat::vk::kSpace);
    standin::click(button(), 40, 26);
    standin::click(control("Morvessa"), 5, 5);  // labels do nothing
    ASSERT_EQ(standin::boxes().size(), 2u);
    for (const standin::Box& box : standin::boxes()) {
        EXPECT_EQ(box.text, "Tavrilon写入成功");
        // Task-modal: the system keeps the window from input until the box is closed.
        EXPECT_EQ(box.style, plat::kMbOk | plat::kMbTaskModal);
    }
    EXPECT_TRUE(plat::testing::reg_read(plat::reg_root(plat::RegRoot::LocalMachine), kUoKey,
                                        "ExePath")
                    .found);
}

TEST_F(MainWindow, ClosingIsAlwaysAllowed) {
    EXPECT_EQ(plat::send_message(main, plat::wm::kQueryEndSession, 0, 0), 1);
    EXPECT_TRUE(plat::is_window(main)) << "asking is not closing";
    plat::send_message(main, plat::wm::kClose, 0, 0);
    EXPECT_FALSE(plat::is_window(main));
    EXPECT_EQ(app::main_window(), nullptr);
}

// ---- Painting ----------------------------------------------------------------------------

std::vector<standin::DrawCall> drawn_for(plat::Hwnd hwnd) {
    std::vector<standin::DrawCall> out;
    for (const standin::DrawCall& call : standin::drawing())
        if (call.hwnd == hwnd) out.push_back(call);
    return out;
}

constexpr unsigned kLabelFormat =
    plat::dt::kLeft | plat::dt::kSingleLine | plat::dt::kVCenter | plat::dt::kNoClip;

TEST_F(MainWindow, TheServiceNameIsDrawnWhiteThenOrangeOnePixelOff) {
    plat::Hwnd name = control("Morvessa");
    standin::clear_drawing();
    standin::paint(name, {-5, 2, 50, 80});  // the update area reaches past the client area
    std::vector<standin::DrawCall> calls = drawn_for(name);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, standin::DrawKind::Fill);
    EXPECT_EQ(calls[0].rect, (Rect{0, 2, 50, 24}));
    EXPECT_EQ(calls[0].color, standin::kButtonFace);
    const struct {
        plat::ColorRef color;
        Rect rect;
    } texts[] = {{plat::rgb(255, 255, 255), {0, 0, 103, 24}}, {plat::rgb(255, 128, 0), {1, 1, 104, 25}}};
    for (int i = 0; i < 2; ++i) {
        const standin::DrawCall& text = calls[1 + i];
        EXPECT_EQ(text.kind, standin::DrawKind::Text);
        EXPECT_EQ(text.text, "Morvessa");
        EXPECT_EQ(text.color, texts[i].color);
        EXPECT_EQ(text.rect, texts[i].rect);
        EXPECT_EQ(text.format, kLabelFormat);
        EXPECT_TRUE(text.transparent);
        EXPECT_EQ(text.font_face, "方正琥珀简体");
        EXPECT_EQ(text.font_height, -24);
    }
}

TEST_F(MainWindow, PlainLabelsAndThePanel) {
    const struct {
        const char* text;
        std::size_t calls;
    } labels[] = {{"", 1}, {"客服:见论坛\r\n", 2}, {"晨光制作", 2}};
    for (const auto& label : labels) {
        plat::Hwnd hwnd = control(label.text);
        standin::clear_drawing();
        standin::paint(hwnd, plat::client_rect(hwnd));
        std::vector<standin::DrawCall> calls = drawn_for(hwnd);
        ASSERT_EQ(calls.size(), label.calls) << label.text;
        EXPECT_EQ(calls[0].kind, standin::DrawKind::Fill);
        if (label.calls == 2) {
            EXPECT_EQ(calls[1].color, plat::rgb(0, 0, 0));
            EXPECT_EQ(calls[1].rect, plat::client_rect(hwnd));
            EXPECT_EQ(calls[1].format, kLabelFormat);
            EXPECT_EQ(calls[1].font_face, "") << "the default GUI font";
        }
    }
}

TEST_F(MainWindow, TheButtonFaceColourIsReadAtEveryPaint) {
    for (plat::ColorRef face : {plat::rgb(1, 2, 3), plat::rgb(240, 240, 240)}) {
        standin::set_button_face(face);
        standin::clear_drawing();
        standin::paint(main, {0, 0, 10, 10});
        standin::paint(control(""), {0, 0, 10, 10});
        ASSERT_EQ(standin::drawing().size(), 2u);
        EXPECT_EQ(standin::drawing()[0].color, face);
        EXPECT_EQ(standin::drawing()[0].rect, (Rect{0, 0, 10, 10}));
        EXPECT_EQ(standin::drawing()[1].color, face);
    }
}

}  // namespace
