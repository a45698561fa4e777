#include "platform/DesktopEntry.h"

#include <cstdlib>

#include "platform/Autostart.h"
#include "platform/Folders.h"
#include "support/WStringsFile.h"

namespace platform {

namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

std::string ApplicationsFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base = data && data[0] == '/' ? std::string(data) : HomeFolder() + "/.local/share";
  if (base.back() != '/') base += '/';
  return base + "applications/";
}

std::vector<std::string> ShortcutFiles() {
  return {DesktopFolder() + "/qor.desktop", ApplicationsFolder() + "qor.desktop", AutostartFile()};
}

bool RewriteDesktopEntryIcon(const std::string& path, const std::string& icon) {
  if (!FileExists(path) || icon.find_first_of("\r\n") != std::string::npos) return false;
  std::string bytes;
  if (wstr::ReadWholeFile(path, bytes, 1024 * 1024) != wstr::TReadResult::Ok) return false;

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  long header = -1;
  bool inEntry = false;
  bool done = false;
  for (std::size_t i = 0; i < lines.size() && !done; ++i) {
    std::string line = Trim(lines[i]);
    if (!line.empty() && line[0] == '[') {
      if (inEntry) break;  // the group ended without an Icon key
      inEntry = line == "[Desktop Entry]";
      if (inEntry) header = static_cast<long>(i);
      continue;
    }
    if (!inEntry) continue;
    auto eq = line.find('=');
    // "Icon" only: localized keys such as Icon[tr] are left alone.
    if (eq != std::string::npos && Trim(line.substr(0, eq)) == "Icon") {
      lines[i] = "Icon=" + icon;
      done = true;
    }
  }
  if (header < 0) return false;
  if (!done) lines.insert(lines.begin() + header + 1, "Icon=" + icon);

  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return wstr::WriteFileAtomic(path, text);
}

}  // namespace platform
