// Whole-file reading with a size bound and writing through a temporary file
// that is renamed over the target, so that a crash mid-write never leaves a
// half-written settings or list file behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wstr {

enum class TReadResult { Ok, Missing, TooLarge, Failed };

// Reads the whole file into bytes. A file larger than maxSize is not read.
TReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::uintmax_t maxSize);

// Writes bytes to "<path>.XXXXXX" in the same folder, flushes it to disk and
// renames it over path. On failure the temporary file is removed, the old
// file is untouched and the result is false with errno set.
bool WriteFileAtomic(const std::string& path, std::string_view bytes);

}  // namespace wstr
