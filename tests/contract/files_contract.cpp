// The file search behind the client check, on the stand-in and under Wine.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/testing.h"
#include "registration/registration.h"

namespace {

TEST(FilesContract, AnyEntryOfTheNameIsFoundFilesAndFoldersAlike) {
    const std::string base = plat::testing::scratch_folder();
    ASSERT_TRUE(plat::testing::make_folder(base + "\\as-file"));
    ASSERT_TRUE(plat::testing::make_folder(base + "\\as-folder"));
    ASSERT_TRUE(plat::testing::make_file(base + "\\as-file\\Client.exe"));
    ASSERT_TRUE(plat::testing::make_folder(base + "\\as-folder\\Client.exe"));

    const struct {
        std::string path;
        bool found;
    } cases[] = {
        {base + "\\as-file\\Client.exe", true},
        {base + "\\as-folder\\Client.exe", true},
        {base + "\\AS-FILE\\client.EXE", true},  // names compare without case
        {base + "\\missing\\Client.exe", false},
        {base + "\\as-file\\Client.ex", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plat::find_first_file(c.path.c_str()), c.found) << c.path;
        EXPECT_EQ(registration::path_exists(c.path.c_str()), c.found) << c.path;
    }
    EXPECT_FALSE(registration::path_exists(nullptr));
}

// Every double-byte case above and in the program's tests assumes the GBK code page.
TEST(FilesContract, TheAnsiCodePageIsDoubleByte) {
    EXPECT_TRUE(plat::is_lead_byte(0xD5));
    EXPECT_TRUE(plat::is_lead_byte(0x81));
    EXPECT_FALSE(plat::is_lead_byte(0x5C));
    EXPECT_FALSE(plat::is_lead_byte('A'));
}

}  // namespace
