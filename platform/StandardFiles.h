// A launcher may start the program with standard input, output or error
// closed. The first files the program opens would then take those numbers,
// and every message meant for the terminal (ours, GLib's, a library's)
// would be written into them: a settings file, a recording, the log.
#pragma once

namespace platform {

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that no later file can become one of them. Call it first thing in main,
// before any library opens a file.
void ReserveStandardFiles();

}  // namespace platform
