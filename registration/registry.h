// The one registry operation the program needs: store a text under a value path.
#pragma once

#include "app/text_memory.h"
#include "platform/platform.h"

namespace registration {

constexpr int kLocalMachine = 4;

// 1 classes root, 2 current config, 4 local machine, 5 users; 3 and anything else the
// current user.
plat::RegRoot root_for_code(int root_code);

struct ValuePath {
    app::Text key_path;    // null when the value lies directly under the root
    app::Text value_name;  // null for the key's default value
};
// Splits at the last real backslash; double-byte characters are never cut. The caller
// releases both texts.
ValuePath split_value_path(const char* value_path);

// Opens or creates the key, stores `text` as REG_SZ, closes the key. True exactly when
// the value was stored.
bool write_registry_text(int root_code, const char* value_path, const char* text);

}  // namespace registration
