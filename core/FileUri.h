// The local file a "file:" URI names, by one rule for every way an address
// reaches the program (its command line, a desktop's "%U", a drop).
#pragma once

#include <string>

namespace core {

// The path of "file:///a" or "file://localhost/a" (or this machine's own
// host name), escapes decoded, as file-system bytes. Empty for a file on
// another host, which is not ours to open, and for what is no file URI.
// The scheme is read in any letter case.
std::string LocalPathOfFileUri(const std::string& uri);

}  // namespace core
