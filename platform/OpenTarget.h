// Files and addresses handed to the program to open: on its command line,
// or by the desktop through the menu entry's "%U" (which passes local
// files as file:// URIs). Resolved in the process that received them, so
// that relative paths mean what the user meant before anything changes the
// current folder or the text goes to a running instance.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// file:// URIs become local paths; other addresses ("scheme://...") are kept
// with the scheme in lower case;
// relative paths are made absolute against the current folder. Empty when
// a file URI cannot be turned into a local path.
std::string ResolveOpenTarget(const std::string& argument);

// True for an http:// or https:// address (scheme in any case).
bool IsWebAddress(std::string_view target);

}  // namespace platform
