// What the main window's push button does: point the game client's registry entries
// at the folder this program runs from.
#pragma once

namespace registration {

// The push button's click handler.
void register_client();
// The shutdown routine: releases the folder the last registration kept.
void release_program_state();

// Any file-system entry of that name, a folder included.
bool path_exists(const char* path);
void show_message(const char* text);

}  // namespace registration
