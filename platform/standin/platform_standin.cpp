// An in-process model of the Windows services the program uses: deterministic, and
// observable by the tests through standin.h. Where it and Windows disagree, Windows is
// right and this file is wrong: the contract tests run on both.
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/standin/standin.h"

namespace {

constexpr long kErrorSuccess = 0, kErrorFileNotFound = 2, kErrorAccessDenied = 5,
               kErrorInvalidHandle = 6, kErrorMoreData = 234;

struct Value {
    unsigned type;
    std::string data;
};
// A key's values by lowered name; the registry's keys by root and lowered path.
using Values = std::map<std::string, Value>;
using KeyId = std::pair<int, std::string>;

struct OpenKey {
    KeyId id;
    bool writable;
};

struct Process {
    std::string module_path = "C:\\Games\\Ultima Online\\Tavrilon.exe";
    bool module_exact = true;
    unsigned code_page = 936;
    std::string current_directory;
    std::vector<std::string> calls;
    std::set<void*> blocks;
    // Blocks of an ended process (a test's earlier scenario). Kept allocated, never
    // reused, so a stale pointer of the program's can be let go without harm.
    std::set<void*> graveyard;
    std::size_t failing_size = 0;
    bool fail_pending = false;
    std::vector<standin::Box> boxes;
    std::function<int(const standin::Box&)> box_handler;
    std::vector<std::string> shell_opened, commands_run;
    std::intptr_t shell_result = 42;
    unsigned win_exec_result = 33;
    std::map<KeyId, Values> keys;
    std::set<int> refused_roots;
    std::set<KeyId> read_only_keys;
    std::map<std::uintptr_t, OpenKey> open_keys;
    std::uintptr_t next_key = 0x1000;
    std::set<std::string> files, folders;
    std::set<std::string> missing_libraries;
};

// Never destroyed: blocks of ended scenarios stay reachable until the very end.
Process& process() {
    static Process* instance = new Process;
    return *instance;
}

bool lead_byte(unsigned char byte) { return process().code_page == 936 && byte >= 0x81 && byte != 0xFF; }

// Windows compares key, value and file names without regard to case; a trail byte is
// part of its character and keeps its case.
std::string lowered(const std::string& text) {
    std::string out = text;
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto byte = static_cast<unsigned char>(out[i]);
        if (lead_byte(byte)) {
            ++i;
        } else if (byte >= 'A' && byte <= 'Z') {
            out[i] = static_cast<char>(byte - 'A' + 'a');
        }
    }
    return out;
}

constexpr std::uintptr_t kRootBase = 0x80000000u;

int root_index(plat::Hkey key) {
    auto value = reinterpret_cast<std::uintptr_t>(key);
    if (value >= kRootBase && value < kRootBase + 5) return static_cast<int>(value - kRootBase);
    return -1;
}

// The key a handle (root or open key) and a sub-key path name together.
bool resolve(plat::Hkey key, const char* sub_key, KeyId* id, bool* writable) {
    std::string below = sub_key ? sub_key : "";
    int root = root_index(key);
    if (root >= 0) {
        *id = {root, lowered(below)};
        *writable = true;
        return true;
    }
    auto it = process().open_keys.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == process().open_keys.end()) return false;
    std::string path = it->second.id.second;
    if (!below.empty()) path = path.empty() ? lowered(below) : path + "\\" + lowered(below);
    *id = {it->second.id.first, path};
    *writable = it->second.writable;
    return true;
}

bool key_exists(const KeyId& id) { return id.second.empty() || process().keys.count(id); }

// The user may read this key but neither set its values nor add keys below it.
bool read_only(const KeyId& id) {
    return process().refused_roots.count(id.first) || process().read_only_keys.count(id);
}

// The nearest key on the way up that exists: the one a new key would be created in.
KeyId existing_parent(KeyId id) {
    while (!key_exists(id)) {
        std::size_t at = id.second.rfind('\\');
        id.second = at == std::string::npos ? std::string() : id.second.substr(0, at);
    }
    return id;
}

plat::Hkey open_handle(const KeyId& id, bool writable) {
    std::uintptr_t handle = process().next_key++;
    process().open_keys[handle] = {id, writable};
    return reinterpret_cast<plat::Hkey>(handle);
}

}  // namespace

namespace standin {

void reset() {
    std::set<void*> graveyard = std::move(process().graveyard);
    graveyard.insert(process().blocks.begin(), process().blocks.end());
    process() = Process{};
    process().graveyard = std::move(graveyard);
    reset_windows();
}
const std::vector<std::string>& calls() { return process().calls; }
void note(const std::string& call) { process().calls.push_back(call); }
void set_module_path(const std::string& path, bool exact) {
    process().module_path = path;
    process().module_exact = exact;
}
void set_code_page(unsigned code_page) { process().code_page = code_page; }
const std::string& current_directory() { return process().current_directory; }
std::size_t live_blocks() { return process().blocks.size(); }
void fail_allocation_of(std::size_t byte_count) {
    process().failing_size = byte_count;
    process().fail_pending = true;
}
const std::vector<Box>& boxes() { return process().boxes; }
void on_message_box(std::function<int(const Box&)> handler) {
    process().box_handler = std::move(handler);
}
const std::vector<std::string>& shell_opened() { return process().shell_opened; }
const std::vector<std::string>& commands_run() { return process().commands_run; }
void set_shell_result(std::intptr_t result) { process().shell_result = result; }
void remove_system_library(const std::string& name) { process().missing_libraries.insert(name); }
void set_win_exec_result(unsigned result) { process().win_exec_result = result; }
bool make_key_read_only(plat::Hkey root, const char* sub_key) {
    KeyId id{root_index(root), lowered(sub_key)};
    if (id.first < 0 || !key_exists(id)) return false;
    process().read_only_keys.insert(id);
    return true;
}
void refuse_writes(plat::RegRoot root, bool refuse) {
    int index = root_index(plat::reg_root(root));
    if (refuse) {
        process().refused_roots.insert(index);
    } else {
        process().refused_roots.erase(index);
    }
}
int open_keys() { return static_cast<int>(process().open_keys.size()); }
void add_file(const std::string& path) { process().files.insert(lowered(path)); }
void add_folder(const std::string& path) { process().folders.insert(lowered(path)); }

}  // namespace standin

namespace plat {

std::size_t module_file_name(char* buffer, std::size_t size) {
    const std::string& path = process().module_path;
    if (path.size() < size) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return path.size();
    }
    // Cut to the buffer and left unterminated, as Windows XP and Wine do.
    std::memcpy(buffer, path.data(), size);
    return size;
}

bool module_path_is_exact(const char* ansi_path) {
    return process().module_exact && process().module_path == ansi_path;
}

bool is_lead_byte(unsigned char byte) { return lead_byte(byte); }

void* heap_alloc(std::size_t byte_count) {
    Process& p = process();
    if (p.fail_pending && byte_count == p.failing_size) {
        p.fail_pending = false;
        return nullptr;
    }
    // Never zero-sized, so every block is distinct, as HeapAlloc's are.
    void* block = std::malloc(byte_count ? byte_count : 1);
    if (block == nullptr) return nullptr;
    std::memset(block, 0xCD, byte_count);  // not cleared, as HeapAlloc without flags
    p.blocks.insert(block);
    return block;
}

void heap_free(void* block) {
    if (process().blocks.erase(block) != 0) {
        std::free(block);
    } else if (process().graveyard.count(block) == 0) {
        std::abort();  // a double or foreign free
    }
}

bool set_current_directory(const char* path) {
    process().current_directory = path;
    process().calls.push_back(std::string("SetCurrentDirectory ") + path);
    return true;
}

void harden_process() { process().calls.push_back("HardenProcess"); }

// As on Windows, the functions of a DLL that could not be loaded are never called.
bool ole_initialize() {
    if (process().missing_libraries.count("ole32.dll")) return false;
    process().calls.push_back("OleInitialize");
    return true;
}
// Recorded whatever the DLL: calling it without OLE initialised is the program's fault.
void ole_uninitialize() { process().calls.push_back("OleUninitialize"); }

void exit_process(int code) {
    process().calls.push_back("ExitProcess " + std::to_string(code));
    throw standin::ProcessExit{code};
}

int message_box(Hwnd owner, const char* text, const char* caption, unsigned style) {
    standin::Box box{owner, caption ? caption : "", text ? text : "", style};
    process().boxes.push_back(box);
    process().calls.push_back("MessageBox");
    bool task_modal = (style & kMbTaskModal) != 0;
    if (task_modal) standin::set_top_levels_enabled(false);
    int answer = process().box_handler ? process().box_handler(box) : 1;
    if (task_modal) standin::set_top_levels_enabled(true);
    return answer;
}

std::intptr_t shell_execute(const char* verb, const char* file, int) {
    if (process().missing_libraries.count("shell32.dll")) return kShellDllNotFound;
    process().calls.push_back(std::string("ShellExecute ") + verb + " " + file);
    if (process().shell_result > 32) process().shell_opened.push_back(file);
    return process().shell_result;
}

unsigned win_exec(const char* command, int) {
    process().calls.push_back(std::string("WinExec ") + command);
    process().commands_run.push_back(command);
    return process().win_exec_result;
}

// The ANSI file functions reach no path of MAX_PATH (260) characters or more.
bool find_first_file(const char* path) {
    std::string name = lowered(path);
    if (name.size() >= 260) return false;
    return process().files.count(name) || process().folders.count(name);
}

Hkey reg_root(RegRoot root) {
    return reinterpret_cast<Hkey>(kRootBase + static_cast<std::uintptr_t>(root));
}

long reg_open_key(Hkey root, const char* sub_key, unsigned access, Hkey* key) {
    KeyId id;
    bool writable;
    if (!resolve(root, sub_key, &id, &writable)) return kErrorInvalidHandle;
    bool wants_write = (access & kKeyWrite & ~kKeyQueryValue & ~0x20000u) != 0;
    if (!key_exists(id)) return kErrorFileNotFound;
    if (wants_write && read_only(id)) return kErrorAccessDenied;
    *key = open_handle(id, wants_write);
    return kErrorSuccess;
}

long reg_create_key(Hkey root, const char* sub_key, Hkey* key) {
    KeyId id;
    bool writable;
    if (!resolve(root, sub_key, &id, &writable)) return kErrorInvalidHandle;
    // RegCreateKeyA asks for MAXIMUM_ALLOWED: an existing key the user may only read
    // opens read-only; a missing key needs the right to add keys to the one above it.
    if (key_exists(id)) {
        *key = open_handle(id, !read_only(id));
        return kErrorSuccess;
    }
    if (read_only(existing_parent(id))) return kErrorAccessDenied;
    // Every missing key on the way down is created too.
    for (std::size_t at = id.second.find('\\'); at != std::string::npos;
         at = id.second.find('\\', at + 1)) {
        process().keys[{id.first, id.second.substr(0, at)}];
    }
    if (!id.second.empty()) process().keys[id];
    *key = open_handle(id, true);
    return kErrorSuccess;
}

long reg_set_value(Hkey key, const char* name, unsigned type, const void* data,
                   std::uint32_t length) {
    KeyId id;
    bool writable;
    process().calls.push_back(std::string("RegSetValueEx ") + (name ? name : ""));
    if (!resolve(key, nullptr, &id, &writable) || root_index(key) >= 0) return kErrorInvalidHandle;
    if (!writable) return kErrorAccessDenied;
    const char* bytes = static_cast<const char*>(data);
    process().keys[id][lowered(name ? name : "")] = {type, std::string(bytes, length)};
    return kErrorSuccess;
}

long reg_query_value(Hkey key, const char* sub_key, char* buffer, long* length) {
    Hkey opened;
    long result = reg_open_key(key, sub_key, kKeyQueryValue, &opened);
    if (result != kErrorSuccess) return result;
    KeyId id;
    bool writable;
    resolve(opened, nullptr, &id, &writable);
    reg_close_key(opened);
    const Values& values = process().keys[id];
    auto it = values.find("");
    // A key without a default value reads as the empty text.
    std::string data = it != values.end() ? it->second.data : std::string(1, '\0');
    if (data.empty() || data.back() != '\0') data.push_back('\0');
    if (buffer == nullptr || *length < static_cast<long>(data.size())) {
        *length = static_cast<long>(data.size());
        return buffer == nullptr ? kErrorSuccess : kErrorMoreData;
    }
    std::memcpy(buffer, data.data(), data.size());
    *length = static_cast<long>(data.size());
    return kErrorSuccess;
}

long reg_close_key(Hkey key) {
    if (root_index(key) >= 0) return kErrorSuccess;
    return process().open_keys.erase(reinterpret_cast<std::uintptr_t>(key)) ? kErrorSuccess
                                                                              : kErrorInvalidHandle;
}

}  // namespace plat

// Read-back for the tests, kept beside the model it reads.
namespace standin {

StoredValue stored_value(plat::Hkey root, const char* sub_key, const char* name) {
    auto key = process().keys.find({root_index(root), lowered(sub_key)});
    if (key == process().keys.end()) return {false, 0, {}};
    auto value = key->second.find(lowered(name));
    if (value == key->second.end()) return {false, 0, {}};
    return {true, value->second.type, value->second.data};
}

bool key_stored(plat::Hkey root, const char* sub_key) {
    return process().keys.count({root_index(root), lowered(sub_key)}) != 0;
}

void erase_key_tree(plat::Hkey root, const char* sub_key) {
    const KeyId top{root_index(root), lowered(sub_key)};
    auto in_tree = [&top](const KeyId& id) {
        return id.first == top.first &&
               (id.second == top.second || id.second.rfind(top.second + "\\", 0) == 0);
    };
    auto& keys = process().keys;
    for (auto it = keys.begin(); it != keys.end();)
        it = in_tree(it->first) ? keys.erase(it) : std::next(it);
    auto& read_only = process().read_only_keys;
    for (auto it = read_only.begin(); it != read_only.end();)
        it = in_tree(*it) ? read_only.erase(it) : std::next(it);
}

}  // namespace standin
