#include "app/program_folder.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"

namespace app {

namespace {

// Determined once, on first use, and kept for the life of the process.
struct FolderState {
    bool known = false;
    bool exact = false;
    Text folder = nullptr;  // null for the empty folder
};
FolderState g_state;

constexpr std::size_t kPathBuffer = 260;
// A Windows path holds at most 32767 UTF-16 units; in a double-byte code page that is
// at most twice as many bytes.
constexpr std::size_t kLongestPath = 2 * 32768;

// Reads the whole module path into a heap block. A result equal to the buffer size means
// the path was cut (and may be unterminated), so it is read again into a buffer twice as
// large, the last one of the full size: a cut path must never be taken for the program's
// folder.
Text read_module_path() {
    for (std::size_t size = kPathBuffer;; size = std::min(size * 2, kLongestPath)) {
        char* buffer = static_cast<char*>(allocate_block(size));
        std::size_t length = plat::module_file_name(buffer, size);
        if (length < size) {
            buffer[length] = '\0';
            return buffer;
        }
        release_text(buffer);
        if (size == kLongestPath) return nullptr;
    }
}

// Wildcards would let the file search match some other entry than the one named.
bool has_wildcard(const char* path) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        if (plat::is_lead_byte(*p)) {
            if (p[1] == '\0') break;
            ++p;
        } else if (*p == '?' || *p == '*') {
            return true;
        }
    }
    return false;
}

void determine_folder() {
    g_state.known = true;
    Text path = read_module_path();
    if (path == nullptr) return;  // unreadable or impossibly long: no folder, not exact
    g_state.exact = !has_wildcard(path) && plat::module_path_is_exact(path);
    std::ptrdiff_t cut = last_backslash(path);
    path[cut < 0 ? 0 : cut] = '\0';
    g_state.folder = copy_text(path);
    release_text(path);
}

}  // namespace

std::ptrdiff_t last_backslash(const char* path) {
    std::ptrdiff_t last = -1;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(path);
    for (std::size_t i = 0; bytes[i] != '\0'; ++i) {
        if (plat::is_lead_byte(bytes[i])) {
            // The trail byte belongs to this character even when it is 0x5C.
            if (bytes[i + 1] == '\0') break;
            ++i;
        } else if (bytes[i] == '\\') {
            last = static_cast<std::ptrdiff_t>(i);
        }
    }
    return last;
}

Text program_folder() {
    if (!g_state.known) determine_folder();
    return copy_text(g_state.folder);
}

bool program_folder_is_exact() {
    if (!g_state.known) determine_folder();
    return g_state.exact;
}

void forget_program_folder() {
    release_text(g_state.folder);
    g_state = FolderState{};
}

}  // namespace app
