// qor-cli: the headless player and recorder. It runs the same controller
// as the desktop program, over the same settings folder and options, and
// talks to it through the same messages; its own client window stands
// where the player window would be.
#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <filesystem>
#include <iostream>

#include "CliArguments.h"
#include "CliSession.h"
#include "CliStations.h"
#include "app/BuiltinLists.h"
#include "app/Headless.h"
#include "app/MainWindow.h"
#include "app/Options.h"
#include "engine/RadioPlayer.h"
#include "platform/Folders.h"
#include "platform/StandardFiles.h"
#include "support/Deploy.h"
#include "support/Encoding.h"
#include "support/HttpSession.h"

namespace fs = std::filesystem;

namespace {

struct TSignalTarget {
  cli::TSessionState* State;
  app::TMainWindow* Controller;
};

gboolean OnSignal(gpointer data) {
  auto* target = static_cast<TSignalTarget*>(data);
  if (core::IsWindow(target->State->Session))
    core::PostMessage(target->State->Session, cli::CM_INTERRUPT);
  else if (core::IsWindow(target->Controller->WindowHandle()))
    core::PostMessage(target->Controller->WindowHandle(), core::WM_CLOSE);
  return G_SOURCE_CONTINUE;
}

// A private copy of the options, so that the choices of one run (folder,
// format) never change what the desktop program stores.
fs::path PrivateOptions(const std::string& settingsFolder) {
  std::string pattern = (fs::temp_directory_path() / "qor-cli-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return {};
  fs::path copy = fs::path(pattern) / "options.ini";
  std::error_code ec;
  if (fs::exists(settingsFolder + "options.ini", ec)) fs::copy_file(settingsFolder + "options.ini", copy, ec);
  return copy;
}

int Search(const cli::TStationLists& lists, const std::string& text) {
  auto hits = lists.Search(text);
  for (const auto& hit : hits)
    std::cout << (hit.Favourite ? "[favori] " : "[veritabanı] ") << enc::Utf16ToUtf8(hit.Name) << "  <" << hit.Url
              << ">\n";
  if (hits.empty()) std::cout << "Sonuç yok (no matches).\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::ReserveStandardFiles();
  std::vector<std::string> args(argv + 1, argv + argc);
  cli::TArguments arguments;
  std::string error;
  if (!cli::ParseArguments(args, arguments, error)) {
    std::cerr << "qor-cli: " << error << "\n\n" << cli::HelpText();
    return 2;
  }
  if (arguments.Command == cli::TCommand::Help) {
    std::cout << cli::HelpText();
    return 0;
  }

  std::string settings = platform::SettingsFolder();
  platform::ForceDirectories(settings);
  app::SeedListFiles(settings, app::ResourceListSource(), std::cerr);
  cli::TStationLists lists(settings);
  if (arguments.Command == cli::TCommand::Search) return Search(lists, arguments.Target);

  cli::TStationHit station;
  if (!lists.Find(arguments.Target, station)) {
    std::cerr << "qor-cli: İstasyon bulunamadı (no such station): " << arguments.Target << "\n";
    return 2;
  }

  deploy::Load(platform::ProgramFolder(), settings);
  fs::path optionsFile = PrivateOptions(settings);
  if (optionsFile.empty()) {
    std::cerr << "qor-cli: Geçici klasör oluşturulamadı (cannot make a temporary folder).\n";
    return 1;
  }
  int exitCode = 1;
  {
    app::TOptions options(enc::FileNameToWide(optionsFile.string()), enc::FileNameToWide(platform::DesktopFolder()));
    try {
      if (!arguments.Folder.empty())
        options.WriteStr(app::osFolder, enc::FileNameToWide(fs::absolute(arguments.Folder).string()));
      if (arguments.Format == cli::RawFormat) {
        options.WriteBool(app::obEncoder, false);
      } else if (arguments.Format >= 0) {
        options.WriteBool(app::obEncoder, true);
        options.WriteInt(app::oiFormat, arguments.Format);
        // As in the options dialog: Opus records at 48000 Hz.
        if (arguments.Format == 6) options.WriteInt(app::oiFrequency, 8);
      }
    } catch (const std::exception& e) {
      std::cerr << "qor-cli: " << e.what() << "\n";
    }

    core::InitMessages();
    bool audio = InitBass(arguments.NoSound ? 0 : -1);
    if (!audio && !arguments.NoSound) {
      std::cerr << "qor-cli: Ses aygıtı açılamadı, sessiz devam ediliyor (no audio device, going on silent).\n";
      audio = InitBass(0);
    }
    if (!audio) {
      std::cerr << "qor-cli: Ses kütüphanesi başlatılamadı (the audio library did not start).\n";
    } else {
      OpenInternetHandle();
      cli::TSessionState state;
      std::ostream& events = arguments.Command == cli::TCommand::Record ? std::cerr : std::cout;
      auto controller = app::MakeHeadlessController(options, settings);
      controller->CreatePlayerWindow = [&](app::TMainWindow& owner) {
        return std::make_unique<cli::TCliSession>(owner, arguments, station, state, events, std::cout, std::cerr);
      };
      controller->Beep = [] { std::cerr << '\a' << std::flush; };
      controller->HandleNeeded();
      TSignalTarget target{&state, controller.get()};
      std::vector<guint> sources;
      for (int sig : {SIGINT, SIGTERM, SIGHUP}) sources.push_back(g_unix_signal_add(sig, OnSignal, &target));
      core::RunMessageLoop();
      for (guint id : sources) g_source_remove(id);
      controller.reset();
      FreeBass();
      CloseInternetHandle();
      exitCode = state.Finished ? state.ExitCode : 0;
    }
  }
  std::error_code ec;
  fs::remove_all(optionsFile.parent_path(), ec);
  return exitCode;
}
