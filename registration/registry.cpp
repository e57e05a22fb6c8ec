#include "registration/registry.h"

#include <cstring>

#include "app/program_folder.h"

namespace registration {

plat::RegRoot root_for_code(int root_code) {
    switch (root_code) {
        case 1: return plat::RegRoot::ClassesRoot;
        case 2: return plat::RegRoot::CurrentConfig;
        case 4: return plat::RegRoot::LocalMachine;
        case 5: return plat::RegRoot::Users;
        default: return plat::RegRoot::CurrentUser;
    }
}

namespace {

app::Text copy_prefix(const char* text, std::size_t length) {
    if (length == 0) return nullptr;
    auto copy = static_cast<app::Text>(app::allocate_block(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

}  // namespace

ValuePath split_value_path(const char* value_path) {
    // Cut by the same byte rules as the program folder.
    std::ptrdiff_t cut = app::last_backslash(value_path);
    if (cut < 0) return {nullptr, app::copy_text(value_path)};
    return {copy_prefix(value_path, static_cast<std::size_t>(cut)),
            app::copy_text(value_path + cut + 1)};
}

bool write_registry_text(int root_code, const char* value_path, const char* text) {
    plat::Hkey root = plat::reg_root(root_for_code(root_code));
    ValuePath split = split_value_path(value_path);
    const char* key_path = split.key_path ? split.key_path : "";
    const char* name = split.value_name ? split.value_name : "";
    bool stored = false;
    plat::Hkey key = nullptr;
    if (plat::reg_open_key(root, key_path, plat::kKeyWrite, &key) == 0 ||
        plat::reg_create_key(root, key_path, &key) == 0) {
        auto length = static_cast<std::uint32_t>(std::strlen(text) + 1);
        stored = plat::reg_set_value(key, name, plat::kRegSz, text, length) == 0;
        plat::reg_close_key(key);
    }
    app::release_text(split.key_path);
    app::release_text(split.value_name);
    return stored;
}

}  // namespace registration
