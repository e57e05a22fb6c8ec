// Text values: owned, zero-terminated ANSI byte strings on the process heap. A null
// text is the empty text.
#pragma once

#include <cstddef>

namespace app {

using Text = char*;

// Never null: when the heap cannot supply the block the program ends (fatal_stop).
void* allocate_block(std::size_t byte_count);
void release_text(Text text);
Text copy_text(const char* text);
Text join_text(const char* a, const char* b);
[[noreturn]] void fatal_stop(const char* message);

}  // namespace app
