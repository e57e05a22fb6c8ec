// Operations that only the tests use, to prepare a case and read back its outcome
// through the same platform the program runs on.
#pragma once

#include <string>

#include "platform/platform.h"

namespace plat::testing {

// A folder of the test's own in which it may create files and folders.
std::string scratch_folder();
bool make_file(const std::string& path);
bool make_folder(const std::string& path);
// Deletes a key and everything below it; success when it is gone afterwards.
bool reg_delete_tree(Hkey root, const char* sub_key);
struct RegValue {
    bool found;
    unsigned type;
    std::string data;  // the raw bytes, the terminating zero of a REG_SZ included
};
RegValue reg_read(Hkey root, const char* sub_key, const char* name);
bool reg_key_exists(Hkey root, const char* sub_key);
// Lets every user only read the key, as a key an administrator made looks to a user:
// its values cannot be set and no key can be added below it. It can still be deleted,
// so that a test can clean up.
bool reg_make_read_only(Hkey root, const char* sub_key);

}  // namespace plat::testing
