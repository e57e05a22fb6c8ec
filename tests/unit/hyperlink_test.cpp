#include <string>
#include <vector>

#include "app/hyperlink.h"
#include "registration/registry.h"
#include "window_support.h"

namespace {

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

// The registered command line, cut before its placeholder, then one space and the target.
TEST_F(Hyperlink, FallsBackToTheRegisteredBrowser) {
    standin::set_shell_result(2);  // the shell cannot open it
    const std::string target = " http://mvs.example/";
    const struct {
        const char* name;
        std::string command, run;
    } cases[] = {
        {"quoted placeholder", "\"C:\\Web\\browser.exe\" -nohome \"%1\"",
         "\"C:\\Web\\browser.exe\" -nohome " + target},
        {"the first quoted placeholder", "b.exe \"%1\" -x %1", "b.exe " + target},
        {"a quoted placeholder before an earlier bare one", "b.exe %1 -x \"%1\"",
         "b.exe %1 -x " + target},
        {"bare placeholder", "C:\\Web\\browser.exe %1 -x", "C:\\Web\\browser.exe " + target},
        {"no placeholder: used whole", "C:\\Web\\browser.exe %2",
         "C:\\Web\\browser.exe %2" + target},
        {"the placeholder alone", "\"%1\"", target},
        {"a command that just fits its 260-byte buffer", "b.exe %1" + std::string(251, 'x'),
         "b.exe " + target},
        {"double-byte program name", "C:\\\xD5\x5C\\\xE4\xAF.exe %1 -x",
         "C:\\\xD5\x5C\\\xE4\xAF.exe " + target},
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

// Each case follows a press that succeeded, so the failed press has to turn visited off.
// WinExec would succeed in every case but the last: a command cut to fit and run anyway
// would show up as run and visited.
TEST_F(Hyperlink, FailsSilentlyAndTurnsVisitedOffAgain) {
    const std::string long_name(250, 't');
    const struct {
        const char* name;
        std::string file_type, command;
        std::vector<std::string> attempted;  // what reaches WinExec
    } cases[] = {
        {"no browser registered", "", "", {}},
        {"file type without a command", "nothing", "", {}},
        {"file type name too long for its key", long_name, "C:\\browser.exe %1", {}},
        {"command line too long with the target", "htmlfile",
         "C:\\" + std::string(240, 'b') + ".exe %1", {}},
        {"registered text longer than the buffer", "htmlfile", std::string(300, 'c'), {}},
        {"the browser does not start", "htmlfile", "C:\\browser.exe %1",
         {"C:\\browser.exe  http://mvs.example/"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        standin::reset();
        SetUp();
        standin::click(link(), 5, 5);
        ASSERT_TRUE(app::hyperlink::visited());
        standin::set_shell_result(2);
        if (!c.attempted.empty()) standin::set_win_exec_result(2);
        if (!c.file_type.empty()) {
            ASSERT_TRUE(registration::write_registry_text(1, ".htm\\", c.file_type.c_str()));
            if (!c.command.empty()) {
                std::string key = c.file_type + "\\shell\\open\\command\\";
                registration::write_registry_text(1, key.c_str(), c.command.c_str());
            }
        }
        standin::click(link(), 5, 5);
        EXPECT_FALSE(app::hyperlink::visited());
        EXPECT_EQ(standin::commands_run(), c.attempted);
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

}  // namespace
