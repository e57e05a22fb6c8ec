// The registry as the program uses it. Run against the stand-in and, under Wine,
// against the real thing: where they disagree, the stand-in is wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/testing.h"
#include "registration/registry.h"

namespace {

using plat::testing::reg_read;

constexpr char kBase[] = "Software\\TavrilonContract";

class RegistryContract : public ::testing::Test {
protected:
    plat::Hkey hkcu = plat::reg_root(plat::RegRoot::CurrentUser);
    void SetUp() override { ASSERT_TRUE(plat::testing::reg_delete_tree(hkcu, kBase)); }
    void TearDown() override { plat::testing::reg_delete_tree(hkcu, kBase); }
    static std::string sz(const char* text) { return std::string(text, std::strlen(text) + 1); }
};

TEST_F(RegistryContract, OpeningAMissingKeyFailsAndCreatingMakesItsParents) {
    plat::Hkey key = nullptr;
    EXPECT_NE(plat::reg_open_key(hkcu, "Software\\TavrilonContract\\A\\B", plat::kKeyWrite, &key), 0);
    ASSERT_EQ(plat::reg_create_key(hkcu, "Software\\TavrilonContract\\A\\B", &key), 0);
    EXPECT_EQ(plat::reg_close_key(key), 0);
    EXPECT_TRUE(plat::testing::reg_key_exists(hkcu, "Software\\TavrilonContract\\A"));
    ASSERT_EQ(plat::reg_open_key(hkcu, "software\\tavrilonCONTRACT\\a\\b", plat::kKeyWrite, &key), 0)
        << "key names compare without case";
    EXPECT_EQ(plat::reg_close_key(key), 0);
}

TEST_F(RegistryContract, SetValueStoresBytesAndReplacesAnyType) {
    plat::Hkey key = nullptr;
    ASSERT_EQ(plat::reg_create_key(hkcu, kBase, &key), 0);
    const std::uint32_t number = 42;
    ASSERT_EQ(plat::reg_set_value(key, "V", plat::kRegDword, &number, 4), 0);
    EXPECT_EQ(reg_read(hkcu, kBase, "V").type, plat::kRegDword);
    const struct {
        const char* name;
        const char* text;
    } cases[] = {{"V", "C:\\UO"}, {"Empty", ""}, {"", "default value"}, {"Gbk", "C:\\\xD5\x5C"}};
    for (const auto& c : cases) {
        ASSERT_EQ(plat::reg_set_value(key, c.name, plat::kRegSz, c.text,
                                      static_cast<std::uint32_t>(std::strlen(c.text) + 1)),
                  0);
        plat::testing::RegValue stored = reg_read(hkcu, kBase, c.name);
        ASSERT_TRUE(stored.found) << c.name;
        EXPECT_EQ(stored.type, plat::kRegSz) << c.name;
        EXPECT_EQ(stored.data, sz(c.text)) << c.name;
    }
    EXPECT_EQ(reg_read(hkcu, kBase, "v").data, sz("C:\\UO")) << "value names compare without case";
    EXPECT_EQ(plat::reg_close_key(key), 0);
}

TEST_F(RegistryContract, QueryValueReadsADefaultValueWithinItsBuffer) {
    plat::Hkey key = nullptr;
    ASSERT_EQ(plat::reg_create_key(hkcu, "Software\\TavrilonContract\\htm", &key), 0);
    plat::reg_close_key(key);
    ASSERT_EQ(plat::reg_open_key(hkcu, kBase, plat::kKeyQueryValue, &key), 0);

    char buffer[16];
    long length = sizeof buffer;
    ASSERT_EQ(plat::reg_query_value(key, "htm", buffer, &length), 0) << "no default value yet";
    EXPECT_EQ(length, 1);
    EXPECT_STREQ(buffer, "");

    EXPECT_TRUE(registration::write_registry_text(3, "Software\\TavrilonContract\\htm\\", "htmlfile"));
    length = sizeof buffer;
    ASSERT_EQ(plat::reg_query_value(key, "htm", buffer, &length), 0);
    EXPECT_EQ(length, 9);
    EXPECT_STREQ(buffer, "htmlfile");

    EXPECT_TRUE(registration::write_registry_text(
        3, "Software\\TavrilonContract\\htm\\", "a text longer than sixteen bytes"));
    length = sizeof buffer;
    EXPECT_NE(plat::reg_query_value(key, "htm", buffer, &length), 0) << "too long for the buffer";
    length = sizeof buffer;
    EXPECT_NE(plat::reg_query_value(key, "missing", buffer, &length), 0);
    plat::reg_close_key(key);
}

TEST_F(RegistryContract, WriteRegistryTextOpensOrCreatesAndLeavesNeighbours) {
    EXPECT_TRUE(registration::write_registry_text(3, "Software\\TavrilonContract\\K\\One", "1"));
    EXPECT_TRUE(registration::write_registry_text(3, "Software\\TavrilonContract\\K\\Two", "2"));
    EXPECT_EQ(reg_read(hkcu, "Software\\TavrilonContract\\K", "One").data, sz("1"));
    EXPECT_EQ(reg_read(hkcu, "Software\\TavrilonContract\\K", "Two").data, sz("2"));
    // A key name holding D5 5C: its second byte is no separator on either platform.
    EXPECT_TRUE(registration::write_registry_text(
        3, "Software\\TavrilonContract\\\xD5\x5C" "K\\Name", "x"));
    EXPECT_EQ(reg_read(hkcu, "Software\\TavrilonContract\\\xD5\x5C" "K", "Name").data, sz("x"));
}

// The usual case for a user: the client's key exists, made by its installer as
// administrator, and the user may only read it. (Adding a key below it is left out:
// Windows refuses that, Wine allows it.)
TEST_F(RegistryContract, AKeyTheUserMayOnlyReadRefusesEveryWrite) {
    constexpr char kReadOnly[] = "Software\\TavrilonContract\\ReadOnly";
    constexpr char kOld[] = "Software\\TavrilonContract\\ReadOnly\\Old";
    ASSERT_TRUE(registration::write_registry_text(3, kOld, "keep"));
    ASSERT_TRUE(plat::testing::reg_make_read_only(hkcu, kReadOnly));

    plat::Hkey key = nullptr;
    EXPECT_EQ(plat::reg_open_key(hkcu, kReadOnly, plat::kKeyWrite, &key), 5);
    ASSERT_EQ(plat::reg_open_key(hkcu, kReadOnly, plat::kKeyQueryValue, &key), 0);
    EXPECT_EQ(plat::reg_close_key(key), 0);

    // RegCreateKeyA asks for the most the user may have: a handle that only reads.
    ASSERT_EQ(plat::reg_create_key(hkcu, kReadOnly, &key), 0);
    EXPECT_EQ(plat::reg_set_value(key, "Old", plat::kRegSz, "new", 4), 5);
    EXPECT_EQ(plat::reg_set_value(key, "New", plat::kRegSz, "new", 4), 5);
    EXPECT_EQ(plat::reg_close_key(key), 0);

    EXPECT_FALSE(registration::write_registry_text(3, kOld, "new"));
    EXPECT_EQ(reg_read(hkcu, kReadOnly, "Old").data, sz("keep"));
    EXPECT_FALSE(reg_read(hkcu, kReadOnly, "New").found);
    // Only that key: its neighbour takes writes as before.
    EXPECT_TRUE(registration::write_registry_text(3, "Software\\TavrilonContract\\Other\\V", "x"));
}

}  // namespace
