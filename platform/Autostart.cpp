#include "platform/Autostart.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Folders.h"
#include "support/WStringsFile.h"

namespace platform {

std::string AutostartFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = config && config[0] == '/' ? std::string(config) : HomeFolder() + "/.config";
  if (base.back() != '/') base += '/';
  return base + "autostart/qor.desktop";
}

std::string QuoteExecArgument(const std::string& path) {
  // Two layers: the Exec quoting rules escape " ` $ \ inside the quotes,
  // then the string-value rules of the file double every backslash again.
  std::string out = "\"";
  for (char c : path) {
    switch (c) {
      case '"':
      case '`':
      case '$':
        out += "\\\\";
        out += c;
        break;
      case '\\':
        out += "\\\\\\\\";
        break;
      case '%':
        out += "%%";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

bool SetAutostart(bool enabled, const std::string& icon, const std::string& executable) {
  std::string file = AutostartFile();
  if (!enabled) return std::remove(file.c_str()) == 0 || errno == ENOENT;

  std::string program = executable.empty() ? ExecutablePath() : executable;
  if (program.empty() || program[0] != '/' || program.find_first_of("\r\n") != std::string::npos) return false;
  if (icon.find_first_of("\r\n") != std::string::npos) return false;
  if (!ForceDirectories(file.substr(0, file.rfind('/') + 1))) return false;

  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=QOR\n"
      "GenericName=Internet Radio\n"
      "GenericName[tr]=İnternet Radyosu\n"
      "Comment=Listen to and record internet radio\n"
      "Comment[tr]=İnternet radyosu dinleyin ve kaydedin\n"
      "Exec=" + QuoteExecArgument(program) + "\n"
      "Icon=" + icon + "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return wstr::WriteFileAtomic(file, text);
}

bool AutostartEnabled() { return FileExists(AutostartFile()); }

}  // namespace platform
