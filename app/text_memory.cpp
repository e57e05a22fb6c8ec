#include "app/text_memory.h"

#include <cstdint>
#include <cstring>

#include "app/shell.h"
#include "app/texts.h"
#include "platform/platform.h"

namespace app {

namespace {

// Appends at most what fits, always leaving the buffer terminated. The fatal stop
// composes its box on the stack: it may be running because the heap is exhausted.
void append(char* buffer, std::size_t size, const char* text) {
    std::size_t used = std::strlen(buffer);
    while (*text && used + 1 < size) buffer[used++] = *text++;
    buffer[used] = '\0';
}

// The count as a signed decimal, as "%d" shows it. 32-bit arithmetic keeps the 32-bit
// program free of the runtime's 64-bit division helpers.
void format_count(char* out, std::size_t byte_count) {
    auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(byte_count));
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                        : static_cast<std::uint32_t>(value);
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *out++ = '-';
    while (n > 0) *out++ = digits[--n];
    *out = '\0';
}

}  // namespace

void* allocate_block(std::size_t byte_count) {
    void* block = plat::heap_alloc(byte_count);
    if (block != nullptr) return block;
    char count[24];
    format_count(count, byte_count);
    char message[128] = "";
    for (const char* p = texts::kAllocationFailed; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd') {
            append(message, sizeof message, count);
            ++p;
        } else {
            const char one[2] = {*p, '\0'};
            append(message, sizeof message, one);
        }
    }
    fatal_stop(message);
}

void release_text(Text text) {
    if (text != nullptr) plat::heap_free(text);
}

Text copy_text(const char* text) {
    if (text == nullptr || *text == '\0') return nullptr;
    std::size_t length = std::strlen(text);
    Text copy = static_cast<Text>(allocate_block(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}

Text join_text(const char* a, const char* b) {
    std::size_t length_a = a ? std::strlen(a) : 0;
    std::size_t length_b = b ? std::strlen(b) : 0;
    Text joined = static_cast<Text>(allocate_block(length_a + length_b + 1));
    if (length_a) std::memcpy(joined, a, length_a);
    if (length_b) std::memcpy(joined + length_a, b, length_b);
    joined[length_a + length_b] = '\0';
    return joined;
}

void fatal_stop(const char* message) {
    char box[512] = "";
    append(box, sizeof box, texts::kFatalFirstLine);
    append(box, sizeof box, "\r\n\r\n");
    append(box, sizeof box, texts::kFatalInfo);
    append(box, sizeof box, message);
    append(box, sizeof box, "\r\n");
    plat::message_box(nullptr, box, texts::kFatalCaption, plat::kMbOk | plat::kMbIconError);
    abandon_shell();
    plat::exit_process(-1);
}

}  // namespace app
