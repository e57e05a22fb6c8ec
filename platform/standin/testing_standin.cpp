#include <string>

#include "platform/standin/standin.h"
#include "platform/testing.h"

namespace plat::testing {

std::string scratch_folder() { return "C:\\scratch"; }

bool make_file(const std::string& path) {
    standin::add_file(path);
    return true;
}

bool make_folder(const std::string& path) {
    standin::add_folder(path);
    return true;
}

bool reg_delete_tree(Hkey root, const char* sub_key) {
    standin::erase_key_tree(root, sub_key);
    return true;
}

RegValue reg_read(Hkey root, const char* sub_key, const char* name) {
    standin::StoredValue value = standin::stored_value(root, sub_key, name);
    return {value.found, value.type, value.data};
}

bool reg_key_exists(Hkey root, const char* sub_key) { return standin::key_stored(root, sub_key); }

bool reg_make_read_only(Hkey root, const char* sub_key) {
    return standin::make_key_read_only(root, sub_key);
}

}  // namespace plat::testing
