#include <string>
#include <vector>

#include "platform/testing.h"
#include "registration/registration.h"
#include "test_support.h"

namespace {

using plat::RegRoot;

struct Expected {
    const char* name;
    std::string text;
};

class Registration : public StandinTest {
protected:
    plat::Hkey hklm() const { return plat::reg_root(RegRoot::LocalMachine); }

    // The five values as the registry holds them, each with its terminating zero.
    void expect_registered(const std::string& folder) {
        const Expected values[] = {
            {"InstCDPath", folder},
            {"ExePath", folder + "\\Client.exe"},
            {"StartExePath", folder + "\\uo.exe"},
            {"PatchExePath", folder + "\\uopatch.exe"},
            {"Upgraded", "yes"},
        };
        for (const Expected& v : values) {
            plat::testing::RegValue stored = plat::testing::reg_read(hklm(), kUoKey, v.name);
            ASSERT_TRUE(stored.found) << v.name;
            EXPECT_EQ(stored.type, plat::kRegSz) << v.name;
            EXPECT_EQ(stored.data, v.text + std::string(1, '\0')) << v.name;
        }
    }

    void expect_one_box(const char* text) {
        ASSERT_EQ(standin::boxes().size(), 1u);
        const standin::Box& box = standin::boxes()[0];
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "信息：");
        EXPECT_EQ(box.style, plat::kMbOk | plat::kMbTaskModal);
        EXPECT_EQ(box.owner, nullptr);
    }
};

struct Place {
    const char* name;
    std::string module_path;
    std::string client;  // where Client.exe is made, "" for nowhere
    bool client_is_folder;
    std::string folder;
};

TEST_F(Registration, RegistersTheFolderItRunsFrom) {
    const Place places[] = {
        {"ordinary folder", "C:\\Games\\UO\\Tavrilon.exe", "C:\\Games\\UO\\Client.exe", false,
         "C:\\Games\\UO"},
        {"drive root", "T:\\Tavrilon.exe", "T:\\Client.exe", false, "T:"},
        {"network share", "\\\\srv\\uo\\Tavrilon.exe", "\\\\srv\\uo\\Client.exe", false,
         "\\\\srv\\uo"},
        {"double-byte folder with trail byte 0x5C", "C:\\\xD5\x5C\\Tavrilon.exe",
         "C:\\\xD5\x5C\\Client.exe", false, "C:\\\xD5\x5C"},
        {"a folder named Client.exe counts", "C:\\UO\\Tavrilon.exe", "C:\\UO\\Client.exe", true,
         "C:\\UO"},
        {"names compare without case", "C:\\UO\\Tavrilon.exe", "c:\\uo\\CLIENT.EXE", false, "C:\\UO"},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.name);
        SetUp();
        standin::set_module_path(p.module_path);
        if (p.client_is_folder) {
            standin::add_folder(p.client);
        } else {
            standin::add_file(p.client);
        }
        registration::register_client();
        expect_registered(p.folder);
        expect_one_box("Tavrilon写入成功");
        TearDown();
    }
}

TEST_F(Registration, WritesNothingWhenTheClientIsMissingOrTheFolderUncertain) {
    const struct {
        const char* name;
        std::string module_path, client;  // client: where Client.exe is made, "" for nowhere
        bool exact;                       // the ANSI path names the program file exactly
    } places[] = {
        {"no Client.exe", "C:\\UO\\Tavrilon.exe", "", true},
        {"Client.exe elsewhere", "C:\\UO\\Tavrilon.exe", "C:\\Client.exe", true},
        // Best fit made the folder "Café" "Cafe", which may exist and hold a client too.
        {"folder the code page could not hold", "C:\\Cafe\\Tavrilon.exe", "C:\\Cafe\\Client.exe",
         false},
        {"wildcard in the folder", "C:\\U?\\Tavrilon.exe", "C:\\U?\\Client.exe", true},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(p.name);
        SetUp();
        standin::set_module_path(p.module_path, p.exact);
        if (!p.client.empty()) standin::add_file(p.client);
        registration::register_client();
        expect_one_box("Tavrilon写入错误!");
        EXPECT_FALSE(plat::testing::reg_key_exists(hklm(), "SOFTWARE\\Origin Worlds Online"));
        TearDown();
    }
}

TEST_F(Registration, RefusedWritesAreReportedAsFailure) {
    standin::set_module_path("C:\\UO\\Tavrilon.exe");
    standin::add_file("C:\\UO\\Client.exe");
    standin::refuse_writes(RegRoot::LocalMachine);
    registration::register_client();
    expect_one_box("Tavrilon写入错误!");
    EXPECT_FALSE(plat::testing::reg_key_exists(hklm(), "SOFTWARE\\Origin Worlds Online"));
}

// The program in D:\New; an earlier install's key names E:\Old, with a number where
// the program writes a text.
void install_earlier_client() {
    standin::set_module_path("D:\\New\\Tavrilon.exe");
    standin::add_file("D:\\New\\Client.exe");
    plat::Hkey key;
    ASSERT_EQ(plat::reg_create_key(plat::reg_root(RegRoot::LocalMachine), kUoKey, &key), 0);
    const std::uint32_t number = 1;
    ASSERT_EQ(plat::reg_set_value(key, "Upgraded", plat::kRegDword, &number, 4), 0);
    ASSERT_EQ(plat::reg_set_value(key, "ExePath", plat::kRegSz, "E:\\Old\\Client.exe", 18), 0);
    plat::reg_close_key(key);
}

// The usual case without the right to write: the client's installer made the key as
// administrator. Every write is still made after the first fails, each through a key
// that is closed again, and the installer's values stay as they were.
TEST_F(Registration, AClientKeyTheUserMayOnlyReadIsReportedAndLeftAsItWas) {
    ASSERT_NO_FATAL_FAILURE(install_earlier_client());
    ASSERT_TRUE(plat::testing::reg_make_read_only(hklm(), kUoKey));

    std::size_t calls_before = standin::calls().size();
    registration::register_client();
    expect_one_box("Tavrilon写入错误!");
    const std::vector<std::string>& calls = standin::calls();
    std::vector<std::string> tried;
    for (std::size_t i = calls_before; i < calls.size(); ++i)
        if (calls[i].rfind("RegSetValueEx ", 0) == 0) tried.push_back(calls[i].substr(14));
    EXPECT_EQ(tried, (std::vector<std::string>{"InstCDPath", "ExePath", "StartExePath",
                                               "PatchExePath", "Upgraded"}));
    EXPECT_EQ(standin::open_keys(), 0) << "a key opened for a write was left open";
    EXPECT_EQ(plat::testing::reg_read(hklm(), kUoKey, "ExePath").data,
              std::string("E:\\Old\\Client.exe", 18));
    plat::testing::RegValue upgraded = plat::testing::reg_read(hklm(), kUoKey, "Upgraded");
    EXPECT_EQ(upgraded.type, plat::kRegDword);
    EXPECT_EQ(upgraded.data, std::string("\x01\0\0\0", 4));
    EXPECT_FALSE(plat::testing::reg_read(hklm(), kUoKey, "InstCDPath").found);
}

// A path that does not fit the first 260-byte buffer is read whole, never cut; the ANSI
// file search then cannot reach its Client.exe, so nothing is registered.
TEST_F(Registration, PathsNearTheLimitAreNeverRegisteredCut) {
    const struct {
        std::size_t client_path_length;
        bool registered;
    } cases[] = {{259, true}, {260, false}, {300, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.client_path_length);
        SetUp();
        std::string folder = "C:\\" + std::string(c.client_path_length - 3 - 11 - 100, 'a') +
                             "\\" + std::string(99, 'b');
        ASSERT_EQ(folder.size() + 11, c.client_path_length);
        standin::set_module_path(folder + "\\Tavrilon.exe");
        standin::add_file(folder + "\\Client.exe");
        registration::register_client();
        if (c.registered) {
            expect_registered(folder);
            expect_one_box("Tavrilon写入成功");
        } else {
            expect_one_box("Tavrilon写入错误!");
            EXPECT_FALSE(plat::testing::reg_key_exists(hklm(), "SOFTWARE\\Origin Worlds Online"));
        }
        TearDown();
    }
}

TEST_F(Registration, TwoPressesWriteTheSameValuesAndKeepOneFolder) {
    standin::set_module_path("C:\\UO\\Tavrilon.exe");
    standin::add_file("C:\\UO\\Client.exe");
    registration::register_client();
    std::size_t after_first = standin::live_blocks();
    registration::register_client();
    EXPECT_EQ(standin::live_blocks(), after_first) << "the first folder copy leaked";
    expect_registered("C:\\UO");
    ASSERT_EQ(standin::boxes().size(), 2u);
    EXPECT_EQ(standin::boxes()[1].text, "Tavrilon写入成功");
    // Only the slot's folder and the folder read at start remain.
    EXPECT_EQ(standin::live_blocks(), 2u);
    registration::release_program_state();
    registration::release_program_state();  // a null slot is left alone
    EXPECT_EQ(standin::live_blocks(), 1u);
}

TEST_F(Registration, OverwritesWhatAnEarlierInstallLeft) {
    ASSERT_NO_FATAL_FAILURE(install_earlier_client());
    registration::register_client();
    expect_registered("D:\\New");
}

}  // namespace
