#include "browser/BrowserModule.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace browser {

namespace {

TFrameFactory LinkedFactory = nullptr;
TFrameFactory LoadedFactory = nullptr;

// The module's symbols stay its own (RTLD_LOCAL); what it needs of the
// player it finds in the program, which exports its symbols for it.
// RTLD_NOW: a module that does not fit this program fails here, with a
// message, not later in the middle of a page.
TFrameFactory LoadFactory(std::string& error) {
  if (LoadedFactory) return LoadedFactory;
  std::string tried;
  for (const std::string& path : ModuleCandidates()) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
      tried += (tried.empty() ? "" : ", ") + path;
      continue;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* reason = ::dlerror();
      error = reason ? reason : path + ": cannot be loaded";
      return nullptr;
    }
    auto factory = reinterpret_cast<TFrameFactory>(::dlsym(handle, FrameFactoryName));
    if (!factory) {
      error = path + ": no " + FrameFactoryName + " (a module of another version)";
      ::dlclose(handle);
      return nullptr;
    }
    LoadedFactory = factory;
    return factory;
  }
  error = std::string(ModuleFile) + " not found (" + tried + ")";
  return nullptr;
}

}  // namespace

std::vector<std::string> ModuleCandidates() {
  if (const char* named = std::getenv("QOR_BROWSER_MODULE"); named && *named) return {named};
  std::vector<std::string> paths;
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    paths.push_back((program.parent_path() / ModuleFile).string());
    paths.push_back((program.parent_path().parent_path() / "lib" / "qor" / ModuleFile).string());
  }
  return paths;
}

std::unique_ptr<TBrowserFrame> MakeBrowserFrame(TBrowserConfig config, std::string& error) {
  TFrameFactory factory = LinkedFactory ? LinkedFactory : LoadFactory(error);
  if (!factory) return nullptr;
  std::unique_ptr<TBrowserFrame> frame(factory(&config));
  if (!frame) error = "the browser module made no frame";
  return frame;
}

void UseLinkedBrowser(TFrameFactory factory) { LinkedFactory = factory; }

}  // namespace browser
