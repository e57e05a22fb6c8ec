// What the tests need of Windows beyond the program's own calls.
#undef UNICODE
#undef _UNICODE
#include <windows.h>

#include <string>
#include <vector>

#include "platform/testing.h"

namespace plat::testing {

namespace {
HKEY to_hkey(Hkey key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

std::string scratch_folder() {
    // One new, empty folder per test process. Process ids come round again (under Wine
    // almost at once), so a folder left by an earlier run is passed over, never reused.
    static std::string folder;
    if (!folder.empty()) return folder;
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) return std::string();
    std::string base(temp, length);
    if (base.back() != '\\') base += '\\';
    base += "tavrilon-tests-" + std::to_string(GetCurrentProcessId());
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        std::string path = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            folder = path;
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return std::string();
}

bool make_file(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool make_folder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool reg_delete_tree(Hkey root, const char* sub_key) {
    // An empty name would mean the root itself: never wipe a whole hive by mistake.
    if (sub_key == nullptr || *sub_key == '\0') return false;
    RegDeleteTreeA(to_hkey(root), sub_key);
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(to_hkey(root), sub_key, 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    return opened == ERROR_FILE_NOT_FOUND;
}

RegValue reg_read(Hkey root, const char* sub_key, const char* name) {
    RegValue value{false, 0, std::string()};
    HKEY key = nullptr;
    if (RegOpenKeyExA(to_hkey(root), sub_key, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    // The value may grow between the two calls; ask again until the buffer holds it.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        std::string data(size, '\0');
        DWORD got = size;
        result = RegQueryValueExA(key, name, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.empty() ? nullptr : &data[0]),
                                  &got);
        if (result == ERROR_SUCCESS) {
            data.resize(got);
            value = RegValue{true, type, data};
            break;
        }
        size = got;
    }
    RegCloseKey(key);
    return value;
}

bool reg_key_exists(Hkey root, const char* sub_key) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(to_hkey(root), sub_key, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool reg_make_read_only(Hkey root, const char* sub_key) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(to_hkey(root), sub_key, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    bool done = false;
    if (AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        DWORD size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone);
        std::vector<BYTE> buffer(size);
        auto* acl = reinterpret_cast<PACL>(buffer.data());
        SECURITY_DESCRIPTOR descriptor;
        // The one entry of the list: everyone reads; DELETE and WRITE_DAC only let the
        // test remove the key again. No KEY_SET_VALUE, no KEY_CREATE_SUB_KEY.
        done = InitializeAcl(acl, size, ACL_REVISION) &&
               AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE | WRITE_DAC, everyone) &&
               InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
               RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        FreeSid(everyone);
    }
    RegCloseKey(key);
    return done;
}

}  // namespace plat::testing
