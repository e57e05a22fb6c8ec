// The hyperlink control: the service's web address, coloured by the pointer and the
// latest press, opened in the web browser when pressed.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace app::hyperlink {

constexpr char kClassName[] = "TavrilonHyperLinker";

bool register_class();
// Called when the control has been created, with its target.
void attach(plat::Hwnd hwnd, const char* target);
bool hovering();
bool visited();
plat::ColorRef text_color();

// Opens the target with the shell, or else with the program registered for ".htm"
// pages. True on success.
bool open_target(const char* target);
// How much of a registered command line to keep: everything before its "%1"
// placeholder (quoted or bare), or all of it.
std::size_t command_prefix_length(const char* command_line);

}  // namespace app::hyperlink
