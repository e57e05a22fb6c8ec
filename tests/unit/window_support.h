// A created main window on the stand-in, and ways to find its controls.
#pragma once

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/shell.h"
#include "test_support.h"

class WindowTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        standin::set_module_path("C:\\UO\\Tavrilon.exe");
        ASSERT_TRUE(app::create_main_window());
        main = app::main_window();
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        if (plat::is_window(main)) plat::destroy_window(main);
        StandinTest::TearDown();
        EXPECT_EQ(standin::live_fonts(), 0) << "a font was not deleted";
    }

    // The controls from the top of the stacking order down.
    std::vector<plat::Hwnd> stacked() const {
        std::vector<plat::Hwnd> out;
        for (plat::Hwnd c = plat::first_child(main); c; c = plat::next_sibling(c)) out.push_back(c);
        return out;
    }
    plat::Hwnd control(const std::string& text) const {
        for (plat::Hwnd c : stacked())
            if (standin::window_info(c).text == text) return c;
        return nullptr;
    }
    plat::Hwnd button() const { return control("注 册"); }
    plat::Hwnd link() const { return control("http://mvs.example/"); }

    // What the loop does with one key: pre-translation first, then the dispatch.
    bool press(plat::Hwnd target, unsigned key, unsigned modifiers = standin::kNoModifier) {
        standin::queue_key(target, key, modifiers);
        bool handled_any = false;
        for (int i = 0; i < 2; ++i) {
            plat::Message m;
            plat::get_message(&m);
            bool handled = app::pretranslate_message(m);
            if (!handled) {
                plat::translate_message(m);
                plat::dispatch_message(m);
            }
            handled_any |= handled;
        }
        return handled_any;
    }

    plat::Hwnd main = nullptr;
};
