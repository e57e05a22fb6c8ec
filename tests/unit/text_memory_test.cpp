#include <cstring>
#include <string>

#include "app/shell.h"
#include "app/text_memory.h"
#include "test_support.h"

namespace {

using TextMemory = StandinTest;

TEST_F(TextMemory, EmptyAndNullTextsCopyToNull) {
    EXPECT_EQ(app::copy_text(nullptr), nullptr);
    EXPECT_EQ(app::copy_text(""), nullptr);
    app::release_text(nullptr);  // accepted, does nothing
    EXPECT_EQ(standin::live_blocks(), 0u);
}

TEST_F(TextMemory, CopiesAndJoinsAreNewBlocksWithTheirTerminator) {
    const char source[] = "C:\\\xD5\x5C";
    app::Text copy = app::copy_text(source);
    ASSERT_NE(copy, source);
    EXPECT_EQ(std::memcmp(copy, source, sizeof source), 0);

    const struct {
        const char *a, *b, *joined;
    } joins[] = {
        {"C:", "\\Client.exe", "C:\\Client.exe"},
        {nullptr, "\\uo.exe", "\\uo.exe"},
        {"C:\\UO", nullptr, "C:\\UO"},
        {nullptr, nullptr, ""},  // still a block of its own, never null
        {"", "", ""},
    };
    for (const auto& j : joins) {
        app::Text joined = app::join_text(j.a, j.b);
        ASSERT_NE(joined, nullptr);
        EXPECT_STREQ(joined, j.joined);
        app::release_text(joined);
    }
    app::release_text(copy);
}

TEST_F(TextMemory, FailedAllocationShowsTheErrorBoxAndExitsWithMinusOne) {
    standin::fail_allocation_of(1024);
    EXPECT_EQ(exit_code_of([] { app::allocate_block(1024); }), -1);
    ASSERT_EQ(standin::boxes().size(), 1u);
    const standin::Box& box = standin::boxes()[0];
    EXPECT_EQ(box.caption, "错误");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n错误信息：分配 1024 字节内存失败!\r\n");
    EXPECT_EQ(box.style, plat::kMbOk | plat::kMbIconError);
    EXPECT_EQ(box.owner, nullptr);
    // OLE was never initialised here, so it is not released either.
    for (const std::string& call : standin::calls()) EXPECT_NE(call, "OleUninitialize");
}

TEST_F(TextMemory, TheByteCountIsShownAsASignedDecimal) {
    const struct {
        std::size_t size;
        const char* shown;
    } cases[] = {{0, "0"}, {17, "17"}, {2147483647u, "2147483647"}, {3000000000u, "-1294967296"}};
    for (const auto& c : cases) {
        standin::reset();
        standin::fail_allocation_of(c.size);
        EXPECT_EQ(exit_code_of([&] { app::allocate_block(c.size); }), -1);
        ASSERT_EQ(standin::boxes().size(), 1u);
        EXPECT_EQ(standin::boxes()[0].text, std::string("运行时出错!\r\n\r\n错误信息：分配 ") +
                                                c.shown + " 字节内存失败!\r\n");
    }
}

TEST_F(TextMemory, OnlyTheFailingSizeFails) {
    standin::fail_allocation_of(7);
    app::Text six = app::join_text("abc", "de");
    EXPECT_STREQ(six, "abcde");
    EXPECT_EQ(exit_code_of([] { app::join_text("abc", "def"); }), -1);
    app::release_text(six);
}

}  // namespace
