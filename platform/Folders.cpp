#include "platform/Folders.h"

#include <glib.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsAbsoluteEnv(const char* name, std::string& value) {
  const char* v = std::getenv(name);
  if (!v || v[0] != '/') return false;
  value = v;
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string HomeFolder() {
  std::string home;
  if (IsAbsoluteEnv("HOME", home)) return home;
  if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') return pw->pw_dir;
  return "/";
}

std::string SettingsFolder() {
  std::string config;
  if (!IsAbsoluteEnv("XDG_CONFIG_HOME", config)) config = WithSlash(HomeFolder()) + ".config";
  return WithSlash(config) + "Kelvarin/QOR/";
}

std::string DesktopFolder() {
  // GLib reads user-dirs.dirs (what xdg-user-dir reports) and caches it.
  const char* desktop = g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP);
  if (desktop && desktop[0] == '/' && IsFolder(desktop)) {
    std::string folder = desktop;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  return HomeFolder();
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n <= 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

std::string ProgramFolder() {
  std::string path = ExecutablePath();
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool ForceDirectories(const std::string& folder, std::string* error) {
  if (folder.empty()) {
    if (error) *error = "empty folder name";
    return false;
  }
  std::string path;
  std::size_t pos = 0;
  while (pos <= folder.size()) {
    std::size_t next = folder.find('/', pos);
    if (next == std::string::npos) next = folder.size();
    path = folder.substr(0, next);
    pos = next + 1;
    if (path.empty()) continue;
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
      if (error) *error = path + ": " + std::strerror(errno);
      return false;
    }
  }
  if (!IsFolder(folder)) {
    if (error) *error = folder + ": " + std::strerror(ENOTDIR);
    return false;
  }
  return true;
}

std::string RuntimeFolder(std::string* error) {
  std::string runtime;
  if (IsAbsoluteEnv("XDG_RUNTIME_DIR", runtime)) {
    std::string folder = WithSlash(runtime) + "QOR/";
    if ((::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) && IsFolder(folder)) return folder;
    // An unusable runtime folder: the private one in /tmp still lets the
    // instances of this user find each other.
  }
  // A shared /tmp: someone else could have put a folder or a link there.
  std::string folder = "/tmp/QOR-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    if (error) *error = folder + ": " + std::strerror(errno);
    return {};
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 077) != 0) {
    if (error) *error = folder + ": not a private folder of this user";
    return {};
  }
  return folder + "/";
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
