// The DLL search is restricted before anything runs, and a system DLL that cannot be
// loaded never crashes the program nor turns into a silent success.
#include <algorithm>
#include <string>
#include <vector>

#include "app/hyperlink.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "registration/registry.h"
#include "window_support.h"

namespace {

using SystemLibraries = StandinTest;

std::size_t count_of(const std::string& call) {
    return static_cast<std::size_t>(
        std::count(standin::calls().begin(), standin::calls().end(), call));
}

void close_when_idle() {
    standin::on_idle([] { plat::destroy_window(app::main_window()); });
}

TEST_F(SystemLibraries, TheProcessIsHardenedBeforeTheRuntimeOrTheProgramStarts) {
    close_when_idle();
    EXPECT_EQ(app::run_process([] { standin::note("runtime start-up"); }), 0);
    const std::vector<std::string>& calls = standin::calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "HardenProcess");
    EXPECT_EQ(calls[1], "runtime start-up");
    EXPECT_EQ(calls[2], "OleInitialize") << "OLE keeps its place at the head of the start-up";
    EXPECT_EQ(count_of("HardenProcess"), 1u);
}

// Without ole32 the program still runs and registers; OLE, never initialised, is never
// released, neither at the normal end nor by the fatal stop.
TEST_F(SystemLibraries, WithoutOleTheProgramRunsAndReleasesNoOle) {
    standin::remove_system_library("ole32.dll");
    standin::set_module_path("C:\\UO\\Tavrilon.exe");
    standin::add_file("C:\\UO\\Client.exe");
    int step = 0;
    standin::on_idle([&] {
        plat::Hwnd main = app::main_window();
        if (step++ == 0) {
            standin::queue_key(plat::get_focus(), plat::vk::kSpace);  // on the button
        } else {
            plat::destroy_window(main);
        }
    });
    EXPECT_EQ(app::run_program(), 0);
    ASSERT_EQ(standin::boxes().size(), 1u);
    EXPECT_EQ(standin::boxes()[0].text, "Tavrilon写入成功");
    EXPECT_EQ(count_of("OleUninitialize"), 0u);

    SetUp();
    standin::remove_system_library("ole32.dll");
    standin::fail_window_creation("TavrilonWindow");
    EXPECT_EQ(exit_code_of([] { app::run_program(); }), -1);
    EXPECT_EQ(count_of("OleUninitialize"), 0u);
}

class ShellLibraryMissing : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        standin::remove_system_library("shell32.dll");
    }
};

// A press whose shell call cannot be made goes on as one the shell refused: the
// program registered for web pages, else a silent failure.
TEST_F(ShellLibraryMissing, APressFallsBackToTheRegisteredBrowser) {
    ASSERT_TRUE(registration::write_registry_text(1, ".htm\\", "htmlfile"));
    ASSERT_TRUE(registration::write_registry_text(1, "htmlfile\\shell\\open\\command\\",
                                                  "C:\\Web\\browser.exe \"%1\""));
    standin::click(link(), 5, 5);
    EXPECT_EQ(standin::commands_run(),
              std::vector<std::string>{"C:\\Web\\browser.exe  http://mvs.example/"});
    EXPECT_TRUE(standin::shell_opened().empty());
    EXPECT_TRUE(app::hyperlink::visited());
}

TEST_F(ShellLibraryMissing, WithNoBrowserEitherAPressFailsSilently) {
    standin::click(link(), 5, 5);
    EXPECT_FALSE(app::hyperlink::visited());
    EXPECT_TRUE(standin::commands_run().empty());
    EXPECT_TRUE(standin::boxes().empty());
}

}  // namespace
