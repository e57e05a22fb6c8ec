#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/shell.h"
#include "test_support.h"

namespace {

using Shell = StandinTest;

std::size_t position_of(const std::string& call) {
    const auto& calls = standin::calls();
    auto it = std::find(calls.begin(), calls.end(), call);
    EXPECT_NE(it, calls.end()) << "no call " << call;
    return static_cast<std::size_t>(it - calls.begin());
}

bool called(const std::string& call) {
    const auto& calls = standin::calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

plat::Hwnd the_button() {
    for (plat::Hwnd c = plat::first_child(app::main_window()); c; c = plat::next_sibling(c))
        if (standin::window_info(c).class_name == "BUTTON") return c;
    return nullptr;
}

// The whole life: start, a press on the button, Esc, shutdown.
TEST_F(Shell, RunsFromStartToExitCodeZeroInOrder) {
    standin::set_module_path("C:\\Tavrilon.exe");  // at a drive root
    standin::add_file("C:\\Client.exe");
    int step = 0;
    standin::on_idle([&] {
        plat::Hwnd button = the_button();
        ASSERT_NE(button, nullptr);
        if (step++ == 0) {
            standin::queue_key(button, plat::vk::kSpace);
        } else {
            standin::note("closing");
            standin::queue_key(button, plat::vk::kEscape);
        }
    });
    EXPECT_EQ(app::run_program(), 0);
    ASSERT_EQ(standin::boxes().size(), 1u);
    EXPECT_EQ(standin::current_directory(), "C:");
    EXPECT_LT(position_of("OleInitialize"), position_of("SetCurrentDirectory C:"));
    EXPECT_LT(position_of("closing"), position_of("PostQuitMessage 0"));
    EXPECT_LT(position_of("PostQuitMessage 0"), position_of("OleUninitialize"));
    EXPECT_EQ(std::count(standin::calls().begin(), standin::calls().end(), "OleUninitialize"), 1);
    EXPECT_FALSE(app::any_window_open());
    // The shutdown routine released the registration's folder: nothing is left.
    EXPECT_EQ(standin::live_blocks(), 0u);
}

TEST_F(Shell, EveryMessageIsOfferedToPretranslationBeforeDispatch) {
    standin::on_idle([] {
        standin::queue_key(the_button(), plat::vk::kF1);      // not handled: dispatched
        standin::queue_key(the_button(), plat::vk::kEscape);  // handled: never dispatched
    });
    EXPECT_EQ(app::run_program(), 0);
    // What becomes of the Esc key-up that follows is the system's affair.
    const std::vector<std::string> expected = {
        "TranslateMessage 256", "DispatchMessage 256",  // F1 down
        "TranslateMessage 257", "DispatchMessage 257",  // F1 up
        "PostQuitMessage 0",                            // Esc down closed the window
    };
    std::vector<std::string> loop;
    for (const std::string& call : standin::calls()) {
        if (call.rfind("Translate", 0) == 0 || call.rfind("Dispatch", 0) == 0 ||
            call.rfind("PostQuit", 0) == 0)
            loop.push_back(call);
        if (call == "PostQuitMessage 0") break;
    }
    EXPECT_EQ(loop, expected);
    const auto& calls = standin::calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DispatchMessage 256"), 1)
        << "Esc down was dispatched";
}

TEST_F(Shell, AWindowGoneBeforeTheLoopEndsTheProgramAtOnceWithZero) {
    // Something closes the window as it is shown, before the loop begins. No idle
    // handler: the loop must not even wait for a message.
    standin::on_show([](plat::Hwnd hwnd) { plat::destroy_window(hwnd); });
    EXPECT_EQ(app::run_program(), 0);
    EXPECT_FALSE(called("PostQuitMessage 0")) << "nothing is posted before the loop starts";
    EXPECT_TRUE(called("OleUninitialize"));
}

TEST_F(Shell, AWindowThatCannotBeCreatedStopsTheProgram) {
    for (const char* failing : {"TavrilonWindow", "BUTTON", "TavrilonHyperLinker"}) {
        SetUp();
        standin::fail_window_creation(failing);
        EXPECT_EQ(exit_code_of([] { app::run_program(); }), -1) << failing;
        ASSERT_EQ(standin::boxes().size(), 1u);
        EXPECT_EQ(standin::boxes()[0].text, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
        EXPECT_EQ(standin::boxes()[0].caption, "错误");
        EXPECT_TRUE(called("OleUninitialize")) << "OLE was initialised, so it is released";
        app::forget_program_folder();
    }
}

TEST_F(Shell, MemoryRunningOutInAHandlerSkipsTheShutdownRoutine) {
    standin::set_module_path("C:\\UO\\Tavrilon.exe");
    standin::add_file("C:\\UO\\Client.exe");
    int step = 0;
    standin::on_idle([&] {
        if (step++ == 0) {
            standin::queue_key(the_button(), plat::vk::kSpace);  // a folder lands in the slot
        } else {
            // The next press needs "C:\UO" + "\Client.exe" + 1 bytes and cannot have them.
            standin::fail_allocation_of(std::string("C:\\UO\\Client.exe").size() + 1);
            standin::queue_key(the_button(), plat::vk::kSpace);
        }
    });
    EXPECT_EQ(exit_code_of([] { app::run_program(); }), -1);
    EXPECT_EQ(standin::boxes().back().text,
              "运行时出错!\r\n\r\n错误信息：分配 17 字节内存失败!\r\n");
    EXPECT_EQ(std::count(standin::calls().begin(), standin::calls().end(), "OleUninitialize"), 1);
    // Still live: the folder read at start and the registration's slot, which only its
    // shutdown routine releases.
    EXPECT_EQ(standin::live_blocks(), 2u);
    EXPECT_TRUE(plat::is_window(app::main_window())) << "the process ended with its window up";
    standin::reset();
}

TEST_F(Shell, ClosingTheWindowLeavesNoWindowAndEndsTheLoop) {
    standin::on_idle([] { plat::send_message(app::main_window(), plat::wm::kClose, 0, 0); });
    EXPECT_EQ(app::run_program(), 0);
    EXPECT_EQ(std::count(standin::calls().begin(), standin::calls().end(), "PostQuitMessage 0"), 1);
}

}  // namespace
