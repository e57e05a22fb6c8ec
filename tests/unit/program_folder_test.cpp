#include <string>

#include "app/program_folder.h"
#include "app/text_memory.h"
#include "test_support.h"

namespace {

using ProgramFolder = StandinTest;

std::string text_of(app::Text text) { return text ? std::string(text) : std::string("<null>"); }

std::string path_of_length(std::size_t length) {
    std::string path = "C:\\";
    while (path.size() + 13 < length) path += path.size() % 50 == 49 ? '\\' : 'd';
    path += "\\Tavrilon.exe";
    return path;
}

struct FolderCase {
    const char* name;
    std::string module_path;
    unsigned code_page;
    std::string expected;
};

TEST_F(ProgramFolder, CutsAtTheLastRealBackslash) {
    const std::string long_path = path_of_length(300);
    const FolderCase cases[] = {
        {"ordinary", "C:\\Games\\UO\\Tavrilon.exe", 936, "C:\\Games\\UO"},
        {"drive root keeps no backslash", "C:\\Tavrilon.exe", 936, "C:"},
        {"network path keeps its double backslash", "\\\\server\\share\\uo\\Tavrilon.exe", 936,
         "\\\\server\\share\\uo"},
        {"no backslash at all", "Tavrilon.exe", 936, "<null>"},
        // D5 5C is one GBK character; its second byte is not a backslash under 936.
        {"trail byte 0x5C in the file name", "C:\\UO\\\xD5\x5C" "a.exe", 936, "C:\\UO"},
        {"trail byte 0x5C in the folder", "C:\\\xD5\x5C\\Tavrilon.exe", 936, "C:\\\xD5\x5C"},
        {"single-byte code page takes 0x5C as it is", "C:\\UO\\\xD5\x5C" "a.exe", 1252,
         "C:\\UO\\\xD5"},
        {"lead byte at the very end", "C:\\UO\\a\x81", 936, "C:\\UO"},
        {"259 bytes", path_of_length(259), 936, path_of_length(259).substr(0, 259 - 13)},
        {"260 bytes does not fit the first buffer", path_of_length(260), 936,
         path_of_length(260).substr(0, 260 - 13)},
        {"300 bytes is read whole, never cut", long_path, 936,
         long_path.substr(0, long_path.size() - 13)},
        // The buffer doubles from 260 bytes; its last size is the whole 65,536.
        {"40,000 bytes, past the last doubling", path_of_length(40000), 936,
         path_of_length(40000).substr(0, 40000 - 13)},
        {"65,535 bytes, the most the last buffer holds", path_of_length(65535), 936,
         path_of_length(65535).substr(0, 65535 - 13)},
        {"65,536 bytes cannot be read whole: no folder", path_of_length(65536), 936, "<null>"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        standin::reset();
        standin::set_code_page(c.code_page);
        standin::set_module_path(c.module_path);
        app::Text folder = app::program_folder();
        EXPECT_EQ(text_of(folder), c.expected);
        app::release_text(folder);
        app::forget_program_folder();
    }
}

TEST_F(ProgramFolder, EveryCallGivesAFreshCopy) {
    standin::set_module_path("D:\\UO\\Tavrilon.exe");
    app::Text first = app::program_folder();
    app::Text second = app::program_folder();
    ASSERT_NE(first, second);
    app::release_text(first);
    EXPECT_STREQ(second, "D:\\UO");
    app::release_text(second);
}

TEST_F(ProgramFolder, IsReadOnceAndKeptForTheProcess) {
    standin::set_module_path("D:\\UO\\Tavrilon.exe");
    app::release_text(app::program_folder());
    standin::set_module_path("E:\\Elsewhere\\Tavrilon.exe");
    app::Text folder = app::program_folder();
    EXPECT_STREQ(folder, "D:\\UO");
    app::release_text(folder);
}

struct ExactCase {
    const char* name;
    std::string module_path;
    bool code_page_held_it;
    bool exact;
};

TEST_F(ProgramFolder, KnowsWhenThePathIsNotExact) {
    const ExactCase cases[] = {
        {"plain path", "C:\\UO\\Tavrilon.exe", true, true},
        // Best fit made "Café" "Cafe": no wildcard, but another folder.
        {"characters lost to the code page", "C:\\Cafe\\Tavrilon.exe", false, false},
        {"a question mark would be a wildcard", "C:\\U?\\Tavrilon.exe", true, false},
        {"an asterisk would be a wildcard", "C:\\U*\\Tavrilon.exe", true, false},
        {"double-byte text without wildcards", "C:\\\xD5\x5C\\Tavrilon.exe", true, true},
        {"a path too long to read whole", path_of_length(65536), true, false},
    };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(c.name);
        standin::reset();
        standin::set_module_path(c.module_path, c.code_page_held_it);
        EXPECT_EQ(app::program_folder_is_exact(), c.exact);
        app::forget_program_folder();
    }
}

}  // namespace
