// Fuzzes the byte scanners that cut paths: they must never read past the terminator
// (the input sits in a block of exactly its size, so AddressSanitizer sees an overread)
// and never cut inside a double-byte character.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/hyperlink.h"
#include "app/program_folder.h"
#include "platform/standin/standin.h"
#include "registration/registry.h"

namespace {

bool lead(unsigned char byte, bool double_byte) { return double_byte && byte >= 0x81 && byte != 0xFF; }

// Character starts, found independently of the code under test: walk forward a
// character at a time.
std::vector<bool> character_starts(const char* text, std::size_t length, bool double_byte) {
    std::vector<bool> starts(length + 1, false);
    for (std::size_t i = 0; i < length;) {
        starts[i] = true;
        i += lead(static_cast<unsigned char>(text[i]), double_byte) && i + 1 < length ? 2 : 1;
    }
    starts[length] = true;
    return starts;
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    bool double_byte = data[0] & 1;
    standin::set_code_page(double_byte ? 936 : 1252);
    std::size_t length = size - 1;
    char* text = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(text, data + 1, length);
    text[length] = '\0';
    length = std::strlen(text);  // an embedded zero ends the text, as in the program
    std::vector<bool> starts = character_starts(text, length, double_byte);

    std::ptrdiff_t cut = app::last_backslash(text);
    if (cut >= 0) {
        check(static_cast<std::size_t>(cut) < length);
        check(text[cut] == '\\' && starts[cut]);
        for (std::size_t i = cut + 1; i < length; ++i) check(text[i] != '\\' || !starts[i]);
    } else {
        for (std::size_t i = 0; i < length; ++i) check(text[i] != '\\' || !starts[i]);
    }

    registration::ValuePath split = registration::split_value_path(text);
    std::size_t key_length = split.key_path ? std::strlen(split.key_path) : 0;
    std::size_t name_length = split.value_name ? std::strlen(split.value_name) : 0;
    check(key_length + name_length + (cut >= 0 ? 1 : 0) == length);
    check(key_length == 0 || std::memcmp(split.key_path, text, key_length) == 0);
    check(name_length == 0 || std::memcmp(split.value_name, text + length - name_length,
                                          name_length) == 0);
    app::release_text(split.key_path);
    app::release_text(split.value_name);

    std::size_t keep = app::hyperlink::command_prefix_length(text);
    check(keep <= length && starts[keep]);

    std::free(text);
    return 0;
}
