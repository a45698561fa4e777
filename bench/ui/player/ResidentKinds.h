// Where a process's resident memory lies, from /proc/PID/smaps: the heap,
// other anonymous memory, the shared libraries (their file pages and the
// pages the loader wrote when it relocated them), the program itself, fonts
// and other files.
#pragma once

#include <istream>
#include <string>

namespace benchkit {

struct TResidentKinds {
  long HeapKb = 0;         // [heap]
  long AnonymousKb = 0;    // other anonymous mappings: thread stacks, big allocations
  long LibraryFileKb = 0;  // pages of the libraries' files
  long LibraryDataKb = 0;  // anonymous pages of library mappings (relocated data)
  long ProgramKb = 0;      // the executable's own mappings
  long FontKb = 0;         // font files
  long OtherFileKb = 0;    // caches, locale and any other file
  int Libraries = 0;       // distinct shared objects mapped
  long TotalKb() const {
    return HeapKb + AnonymousKb + LibraryFileKb + LibraryDataKb + ProgramKb + FontKb + OtherFileKb;
  }
};

// `program` is the executable's path as the mappings name it.
TResidentKinds ReadResidentKinds(std::istream& smaps, const std::string& program);

}  // namespace benchkit
