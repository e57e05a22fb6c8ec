#include <string>
#include <vector>

#include "app/hyperlink.h"
#include "registration/registry.h"
#include "window_support.h"

namespace {

using app::hyperlink::command_prefix_length;

class Hyperlink : public WindowTest {
protected:
    // The browser the system registers for ".htm" pages.
    static void register_browser(const std::string& file_type, const std::string& command) {
        ASSERT_TRUE(registration::write_registry_text(1, ".htm\\", file_type.c_str()));
        std::string key = file_type + "\\shell\\open\\command\\";
        ASSERT_TRUE(registration::write_registry_text(1, key.c_str(), command.c_str()));
    }
    static plat::LParam at(int x, int y) { return (x & 0xFFFF) | ((y & 0xFFFF) << 16); }
};

TEST_F(Hyperlink, ColourFollowsHoverOverVisitedOverNormal) {
    const plat::ColorRef normal = plat::rgb(0, 0, 255), hover = plat::rgb(49, 106, 197),
                         visited = plat::rgb(128, 0, 0);
    EXPECT_EQ(app::hyperlink::text_color(), normal);
    standin::move_mouse(link(), 5, 5);
    EXPECT_EQ(app::hyperlink::text_color(), hover);
    standin::click(link(), 5, 5);  // opened: visited, and still under the pointer
    EXPECT_EQ(app::hyperlink::text_color(), hover);
    standin::move_mouse(link(), 500, 5);
    EXPECT_EQ(app::hyperlink::text_color(), visited);

    standin::clear_drawing();
    standin::paint(link(), {0, 0, 128, 24});
    ASSERT_EQ(standin::drawing().size(), 2u);
    EXPECT_EQ(standin::drawing()[0].color, standin::kButtonFace);
    const standin::DrawCall& text = standin::drawing()[1];
    EXPECT_EQ(text.text, "http://mvs.example/");
    EXPECT_EQ(text.color, visited);
    EXPECT_EQ(text.rect, (plat::Rect{0, 0, 128, 24}));
    EXPECT_EQ(text.format, plat::dt::kCenter | plat::dt::kVCenter | plat::dt::kSingleLine |
                               plat::dt::kNoPrefix | plat::dt::kNoClip);
    EXPECT_EQ(text.font_face, "");
    EXPECT_TRUE(text.transparent);
}

TEST_F(Hyperlink, HoveringHoldsTheCaptureUntilThePointerLeaves) {
    standin::move_mouse(link(), 10, 10);
    EXPECT_TRUE(app::hyperlink::hovering());
    EXPECT_EQ(plat::get_capture(), link());
    standin::move_mouse(link(), 127, 23);  // still inside
    EXPECT_TRUE(app::hyperlink::hovering());

    plat::release_capture();  // something else took the capture away
    standin::move_mouse(link(), 20, 10);
    EXPECT_EQ(plat::get_capture(), link()) << "captured again while inside";

    // Each edge just outside the client rectangle ends the hovering.
    for (plat::LParam outside : {at(128, 5), at(5, 24), at(-1, 5), at(5, -1)}) {
        standin::move_mouse(link(), 10, 10);
        ASSERT_TRUE(app::hyperlink::hovering());
        plat::send_message(link(), plat::wm::kMouseMove, 0, outside);
        EXPECT_FALSE(app::hyperlink::hovering());
        EXPECT_EQ(plat::get_capture(), nullptr);
    }
}

TEST_F(Hyperlink, APressOpensOnButtonDownOnceEvenOnADoubleClick) {
    plat::send_message(link(), plat::wm::kLButtonDown, 1, at(5, 5));
    EXPECT_EQ(standin::shell_opened(), std::vector<std::string>{"http://mvs.example/"});
    plat::send_message(link(), plat::wm::kLButtonUp, 0, at(5, 5));
    plat::send_message(link(), plat::wm::kLButtonDblClk, 1, at(5, 5));
    plat::send_message(link(), plat::wm::kLButtonUp, 0, at(5, 5));
    EXPECT_EQ(standin::shell_opened().size(), 1u);
    EXPECT_TRUE(app::hyperlink::visited());
    EXPECT_NE(plat::get_focus(), link()) << "the link never takes the focus";
}

TEST_F(Hyperlink, FallsBackToTheRegisteredBrowser) {
    standin::set_shell_result(2);  // the shell cannot open it
    const struct {
        const char* name;
        std::string command, run;
    } cases[] = {
        {"quoted placeholder", "\"C:\\Web\\browser.exe\" -nohome \"%1\"",
         "\"C:\\Web\\browser.exe\" -nohome  http://mvs.example/"},
        {"bare placeholder", "C:\\Web\\browser.exe %1", "C:\\Web\\browser.exe  http://mvs.example/"},
        {"no placeholder", "C:\\Web\\browser.exe", "C:\\Web\\browser.exe http://mvs.example/"},
        {"double-byte program name", "C:\\\xD5\x5C\\\xE4\xAF.exe %1 -x",
         "C:\\\xD5\x5C\\\xE4\xAF.exe  http://mvs.example/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        register_browser("htmlfile", c.command);
        std::size_t before = standin::commands_run().size();
        standin::click(link(), 5, 5);
        ASSERT_EQ(standin::commands_run().size(), before + 1);
        EXPECT_EQ(standin::commands_run().back(), c.run);
        EXPECT_TRUE(app::hyperlink::visited());
    }
}

TEST_F(Hyperlink, FailsSilentlyAndTurnsVisitedOffAgain) {
    standin::click(link(), 5, 5);
    ASSERT_TRUE(app::hyperlink::visited());
    standin::set_shell_result(2);
    const std::string long_name(250, 't');
    const struct {
        const char* name;
        std::string file_type, command;
    } cases[] = {
        {"no browser registered", "", ""},
        {"file type without a command", "nothing", ""},
        {"file type name too long for its key", long_name, "C:\\browser.exe %1"},
        {"command line too long with the target", "htmlfile",
         "C:\\" + std::string(240, 'b') + ".exe %1"},
        {"registered text longer than the buffer", "htmlfile", std::string(300, 'c')},
        {"the browser does not start", "htmlfile", "C:\\browser.exe %1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        standin::reset();
        SetUp();
        standin::set_shell_result(2);
        standin::set_win_exec_result(2);
        if (!c.file_type.empty()) {
            ASSERT_TRUE(registration::write_registry_text(1, ".htm\\", c.file_type.c_str()));
            if (!c.command.empty()) {
                std::string key = c.file_type + "\\shell\\open\\command\\";
                registration::write_registry_text(1, key.c_str(), c.command.c_str());
            }
        }
        standin::click(link(), 5, 5);
        EXPECT_FALSE(app::hyperlink::visited());
        EXPECT_TRUE(standin::commands_run().empty());
        EXPECT_TRUE(standin::boxes().empty()) << "a failure is silent";
        EXPECT_EQ(standin::open_keys(), 0);
    }
}

TEST(HyperlinkTarget, AnEmptyTargetOpensNothing) {
    standin::reset();
    EXPECT_FALSE(app::hyperlink::open_target(""));
    EXPECT_FALSE(app::hyperlink::open_target(nullptr));
    EXPECT_TRUE(standin::calls().empty());
}

TEST(HyperlinkTarget, CommandLineIsCutBeforeItsPlaceholder) {
    standin::reset();
    const struct {
        const char* command;
        std::size_t keep;
    } cases[] = {
        {"a \"%1\" b %1", 2},
        {"a %1 b \"%1\"", 7},  // a quoted placeholder is preferred to an earlier bare one
        {"%1", 0},
        {"\"%1\"", 0},
        {"a %2", 4},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(command_prefix_length(c.command), c.keep) << c.command;
}

}  // namespace
