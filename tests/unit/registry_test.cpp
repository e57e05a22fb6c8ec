#include <cstring>
#include <string>

#include "platform/testing.h"
#include "registration/registry.h"
#include "test_support.h"

namespace {

using Registry = StandinTest;
using plat::RegRoot;

std::string text_of(app::Text text) { return text ? std::string(text) : std::string("<null>"); }

// Lead bytes are the ANSI code page's: under a single-byte code page no byte takes the
// next one with it, and 0x80 and 0xFF lead no character in code page 936.
TEST_F(Registry, SplitsAValuePathAtItsLastRealBackslash) {
    const struct {
        unsigned code_page;
        const char *path, *key, *value;
    } cases[] = {
        {936, "SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0\\InstCDPath",
         "SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0", "InstCDPath"},
        {936, "Upgraded", "<null>", "Upgraded"},           // directly under the root
        {936, "SOFTWARE\\Key\\", "SOFTWARE\\Key", "<null>"},  // the key's default value
        {936, "\\Name", "<null>", "Name"},
        // D5 5C is one character: its second byte is no separator.
        {936, "SOFTWARE\\A\xD5\x5C" "B\\Value", "SOFTWARE\\A\xD5\x5C" "B", "Value"},
        {936, "Key\\\xD5\x5C", "Key", "\xD5\x5C"},
        {936, "\xD5\x5C", "<null>", "\xD5\x5C"},
        {936, "A\x80\\B", "A\x80", "B"},
        {936, "A\xFF\\B", "A\xFF", "B"},
        {1252, "A\xE9\\B", "A\xE9", "B"},
        {1252, "SOFTWARE\\A\xD5\\B", "SOFTWARE\\A\xD5", "B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " in code page " << c.code_page);
        standin::set_code_page(c.code_page);
        registration::ValuePath split = registration::split_value_path(c.path);
        EXPECT_EQ(text_of(split.key_path), c.key);
        EXPECT_EQ(text_of(split.value_name), c.value);
        app::release_text(split.key_path);
        app::release_text(split.value_name);
    }
}

TEST_F(Registry, RootCodesNameTheirRoots) {
    const struct {
        int code;
        RegRoot root;
    } cases[] = {
        {1, RegRoot::ClassesRoot}, {2, RegRoot::CurrentConfig}, {3, RegRoot::CurrentUser},
        {4, RegRoot::LocalMachine}, {5, RegRoot::Users},        {0, RegRoot::CurrentUser},
        {6, RegRoot::CurrentUser},  {-1, RegRoot::CurrentUser}, {-4, RegRoot::CurrentUser},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(registration::root_for_code(c.code), c.root) << "code " << c.code;
        // The code reaches the registry too: the value lands under that root.
        EXPECT_TRUE(registration::write_registry_text(c.code, "Probe\\V", "x"));
        EXPECT_TRUE(plat::testing::reg_read(plat::reg_root(c.root), "Probe", "V").found)
            << "code " << c.code;
        plat::testing::reg_delete_tree(plat::reg_root(c.root), "Probe");
    }
}

TEST_F(Registry, StoresTextsAsRegSzWithTheirTerminator) {
    plat::Hkey hklm = plat::reg_root(RegRoot::LocalMachine);
    const struct {
        const char *path, *text, *key, *name;
    } cases[] = {
        {"SOFTWARE\\New\\Deep\\Key\\Folder", "C:\\\xD5\x5C", "SOFTWARE\\New\\Deep\\Key", "Folder"},
        {"SOFTWARE\\New\\Empty", "", "SOFTWARE\\New", "Empty"},  // one zero byte
        {"SOFTWARE\\New\\", "default", "SOFTWARE\\New", ""},
        {"AtTheRoot", "r", "", "AtTheRoot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_TRUE(registration::write_registry_text(registration::kLocalMachine, c.path, c.text));
        plat::testing::RegValue stored = plat::testing::reg_read(hklm, c.key, c.name);
        ASSERT_TRUE(stored.found);
        EXPECT_EQ(stored.type, plat::kRegSz);
        EXPECT_EQ(stored.data, std::string(c.text, std::strlen(c.text) + 1));
        EXPECT_EQ(standin::open_keys(), 0);
    }
    EXPECT_TRUE(plat::testing::reg_key_exists(hklm, "SOFTWARE\\New\\Deep"));  // parents made
}

TEST_F(Registry, ReplacesAValueOfAnotherTypeAndLeavesItsNeighbours) {
    plat::Hkey hklm = plat::reg_root(RegRoot::LocalMachine);
    plat::Hkey key;
    ASSERT_EQ(plat::reg_create_key(hklm, "SOFTWARE\\UO", &key), 0);
    const std::uint32_t number = 7;
    ASSERT_EQ(plat::reg_set_value(key, "Upgraded", plat::kRegDword, &number, 4), 0);
    ASSERT_EQ(plat::reg_set_value(key, "Other", plat::kRegSz, "keep", 5), 0);
    plat::reg_close_key(key);

    EXPECT_TRUE(registration::write_registry_text(4, "SOFTWARE\\UO\\Upgraded", "yes"));
    plat::testing::RegValue upgraded = plat::testing::reg_read(hklm, "SOFTWARE\\UO", "Upgraded");
    EXPECT_EQ(upgraded.type, plat::kRegSz);
    EXPECT_EQ(upgraded.data, std::string("yes", 4));
    EXPECT_EQ(plat::testing::reg_read(hklm, "SOFTWARE\\UO", "Other").data, std::string("keep", 5));
}

TEST_F(Registry, RefusedWritesReportFalseAndStoreNothing) {
    standin::refuse_writes(RegRoot::LocalMachine);
    EXPECT_FALSE(registration::write_registry_text(4, "SOFTWARE\\UO\\ExePath", "C:\\x"));
    EXPECT_FALSE(plat::testing::reg_key_exists(plat::reg_root(RegRoot::LocalMachine), "SOFTWARE\\UO"));
    // Another root is not affected.
    EXPECT_TRUE(registration::write_registry_text(3, "SOFTWARE\\UO\\ExePath", "C:\\x"));
}

// The key exists and may only be read: it opens only through RegCreateKeyA, read-only,
// and that handle is closed although nothing could be stored through it.
TEST_F(Registry, AKeyTheUserMayOnlyReadKeepsItsValuesAndIsClosed) {
    plat::Hkey hklm = plat::reg_root(RegRoot::LocalMachine);
    ASSERT_TRUE(registration::write_registry_text(4, "SOFTWARE\\UO\\ExePath", "E:\\Old"));
    ASSERT_TRUE(plat::testing::reg_make_read_only(hklm, "SOFTWARE\\UO"));
    EXPECT_FALSE(registration::write_registry_text(4, "SOFTWARE\\UO\\ExePath", "C:\\x"));
    EXPECT_FALSE(registration::write_registry_text(4, "SOFTWARE\\UO\\Upgraded", "yes"));
    EXPECT_EQ(standin::open_keys(), 0);
    EXPECT_EQ(plat::testing::reg_read(hklm, "SOFTWARE\\UO", "ExePath").data,
              std::string("E:\\Old", 7));
    EXPECT_FALSE(plat::testing::reg_read(hklm, "SOFTWARE\\UO", "Upgraded").found);
}

}  // namespace
