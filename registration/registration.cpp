#include "registration/registration.h"

#include "app/program_folder.h"
#include "app/text_memory.h"
#include "app/texts.h"
#include "platform/platform.h"
#include "registration/registry.h"

namespace registration {

namespace {

// The folder of the latest registration, kept until the next one or shutdown.
app::Text g_program_folder = nullptr;

constexpr char kClientName[] = "\\Client.exe";

// What each value receives: the folder itself, the folder joined with a file name, or
// a fixed text.
struct RegistryWrite {
    const char* value_path;
    const char* file_name;  // joined to the folder; null: the folder itself
    const char* fixed;      // stored as it is, when not null
};

constexpr RegistryWrite kWrites[] = {
    {"SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0\\InstCDPath", nullptr, nullptr},
    {"SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0\\ExePath", kClientName, nullptr},
    {"SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0\\StartExePath", "\\uo.exe", nullptr},
    {"SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0\\PatchExePath", "\\uopatch.exe",
     nullptr},
    {"SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0\\Upgraded", nullptr, "yes"},
};

bool client_present(const char* folder) {
    // A folder name the code page could not hold exactly would name another folder.
    if (!app::program_folder_is_exact()) return false;
    app::Text client = app::join_text(folder, kClientName);
    bool present = path_exists(client);
    app::release_text(client);
    return present;
}

bool write_one(const RegistryWrite& write, const char* folder) {
    if (write.fixed != nullptr)
        return write_registry_text(kLocalMachine, write.value_path, write.fixed);
    if (write.file_name == nullptr)
        return write_registry_text(kLocalMachine, write.value_path, folder ? folder : "");
    app::Text path = app::join_text(folder, write.file_name);
    bool stored = write_registry_text(kLocalMachine, write.value_path, path);
    app::release_text(path);
    return stored;
}

}  // namespace

bool path_exists(const char* path) { return plat::find_first_file(path ? path : ""); }

void show_message(const char* text) {
    plat::message_box(nullptr, text, texts::kMessageCaption, plat::kMbOk | plat::kMbTaskModal);
}

void register_client() {
    app::Text folder = app::program_folder();
    app::release_text(g_program_folder);
    g_program_folder = folder;

    if (!client_present(folder)) {
        show_message(texts::kFailureMessage);
        return;
    }
    // Every value is written even after one fails, but a failed write is never
    // reported as success.
    bool all_stored = true;
    for (const RegistryWrite& write : kWrites) all_stored &= write_one(write, folder);
    show_message(all_stored ? texts::kSuccessMessage : texts::kFailureMessage);
}

void release_program_state() {
    app::release_text(g_program_folder);
    g_program_folder = nullptr;
}

}  // namespace registration
