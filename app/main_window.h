// The program's only window and its six controls.
#pragma once

#include "platform/platform.h"

namespace app {

// Creates, shows and focuses the main window. False when it or a control could not be
// created.
bool create_main_window();
// Offered every queued message before dispatch; true when it was handled here.
bool pretranslate_message(const plat::Message& message);
plat::Hwnd main_window();

}  // namespace app
