// "qor --help": the command-line switches, in Turkish like the rest of the
// program.
#pragma once

#include <ostream>

namespace app {

void PrintHelp(std::ostream& out);

}  // namespace app
