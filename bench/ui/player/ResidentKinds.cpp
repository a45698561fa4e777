#include "ResidentKinds.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace benchkit {

namespace {

enum class TKind { Heap, Anonymous, Library, Program, Font, OtherFile };

TKind KindOf(const std::string& name, const std::string& program) {
  if (name == "[heap]") return TKind::Heap;
  if (name.empty() || name[0] == '[') return TKind::Anonymous;
  if (name == program) return TKind::Program;
  if (name.find(".so") != std::string::npos && name.find("/lib") != std::string::npos) return TKind::Library;
  if (name.find("/fonts/") != std::string::npos) return TKind::Font;
  return TKind::OtherFile;
}

// A mapping's header: "start-end perms offset dev inode [name]".
bool IsHeader(const std::string& line, std::string& name) {
  std::istringstream in(line);
  std::string range, perms, offset, device, inode;
  if (!(in >> range >> perms >> offset >> device >> inode)) return false;
  if (range.find('-') == std::string::npos || perms.size() != 4) return false;
  std::getline(in >> std::ws, name);
  // " (deleted)" and the like stay part of the name; a name never ends in blanks.
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return true;
}

long Field(const std::string& line, const char* key) {
  const std::string prefix = std::string(key) + ":";
  if (line.rfind(prefix, 0) != 0) return -1;
  return std::atol(line.c_str() + prefix.size());
}

}  // namespace

TResidentKinds ReadResidentKinds(std::istream& smaps, const std::string& program) {
  TResidentKinds kinds;
  std::set<std::string> libraries;
  TKind kind = TKind::Anonymous;
  bool inMapping = false;  // fields before the first header belong to none
  long rss = 0;
  auto close = [&](long anonymous) {
    switch (kind) {
      case TKind::Heap: kinds.HeapKb += rss; break;
      case TKind::Anonymous: kinds.AnonymousKb += rss; break;
      case TKind::Library:
        kinds.LibraryDataKb += anonymous;
        kinds.LibraryFileKb += rss - anonymous;
        break;
      case TKind::Program: kinds.ProgramKb += rss; break;
      case TKind::Font: kinds.FontKb += rss; break;
      case TKind::OtherFile: kinds.OtherFileKb += rss; break;
    }
  };
  for (std::string line; std::getline(smaps, line);) {
    std::string name;
    if (IsHeader(line, name)) {
      kind = KindOf(name, program);
      if (kind == TKind::Library) libraries.insert(name);
      rss = 0;
      inMapping = true;
      continue;
    }
    if (!inMapping) continue;
    if (long value = Field(line, "Rss"); value >= 0) rss = value;
    // Anonymous follows Rss in every mapping's block: the block is complete.
    if (long value = Field(line, "Anonymous"); value >= 0) close(value);
  }
  kinds.Libraries = static_cast<int>(libraries.size());
  return kinds;
}

}  // namespace benchkit
