// The station-database downloads of the player window: the published
// package that replaces the database (after the update check found a newer
// one) and the administrator's station list written as the three
// publishable files. The transfer runs on its own thread; the reply is
// handled here, on the window's thread, with the marquee telling how far it
// got. Whatever goes wrong, the database on disk and in the list stays as
// it was and the marquee returns to the station's name.
#include <filesystem>

#include "app/DatabaseUpdate.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "app/UpdateCheck.h"
#include "lists/Package.h"
#include "support/Encoding.h"
#include "ui/window/PlayerWindow.h"
#include "ui/window/SearchHits.h"

namespace ui {

using namespace app;

namespace {

std::filesystem::path FolderPath(const std::u16string& folder) {
  if (folder.empty()) {
    std::error_code error;
    return std::filesystem::current_path(error);
  }
  return std::filesystem::path(enc::WideToFileName(folder));
}

}  // namespace

bool TPlayerWindow::DownloadBusy() const { return FDownload && FDownload->Busy(); }

void TPlayerWindow::DatabaseMessage(core::UINT msg) {
  switch (msg) {
    case UM_DATABASE_UPDATE: DownloadDatabasePackage(); break;
    case UM_DOWNLOAD_STATION_LIST: DownloadStationList(); break;
    case UM_DATABASE_DOWNLOADED: DatabasePackageArrived(); break;
    case UM_STATION_LIST_DOWNLOADED: StationListArrived(); break;
    default: break;
  }
}

void TPlayerWindow::DownloadDatabasePackage() {
  if (DownloadBusy()) return;
  if (!FDownload) FDownload = std::make_unique<TDatabaseDownload>(WindowHandle());
  if (FDownload->StartPackage()) SetMarquee(LoadString(IDS_DATABASE_DOWNLOADING), true);
}

void TPlayerWindow::DownloadStationList() {
  if (DownloadBusy()) return;
  if (!FDownload) FDownload = std::make_unique<TDatabaseDownload>(WindowHandle());
  if (FDownload->StartStationList()) SetMarquee(LoadString(IDS_DATABASE_DOWNLOADING), true);
}

void TPlayerWindow::DatabasePackageArrived() {
  if (!FDownload) return;
  std::string body = FDownload->TakeBody(UM_DATABASE_DOWNLOADED);
  if (body.empty()) {
    SetMarquee(FCurrentName, true);
    return;
  }
  SetMarquee(LoadString(IDS_DATABASE_INSTALLING), true);
  std::filesystem::path folder = FolderPath(FConfig.SettingsFolder);
  if (qor::InstallDatabasePackage(body, folder) != qor::TPackageResult::Ok ||
      !FDatabase->LoadDatabase(folder / "broadcast.rpf")) {
    SetMarquee(FCurrentName, true);
    return;
  }
  TickLinkedEntries();
  // A search typed in the database's bar counts the new entries.
  RecountHits(FDatabaseSearch);
  RepaintLists();
  try {
    FOptions.WriteStr(osDbVersion, enc::Utf8ToUtf16(InstalledDatabaseVersion(ApiVersion().Database)));
  } catch (const std::exception&) {
    // The database is in place; an options file that cannot be written
    // only means the download is offered again at the next start.
  }
  SetMarquee(LoadString(IDS_DATABASE_UPDATED), true);
}

void TPlayerWindow::StationListArrived() {
  if (!FDownload) return;
  std::string body = FDownload->TakeBody(UM_STATION_LIST_DOWNLOADED);
  // The lists in memory stay as they are: these files are for publishing.
  bool written = !body.empty() && qor::WritePackageTrio(body, FolderPath(FConfig.ExportFolder), true);
  SetMarquee(written ? LoadString(IDS_DATABASE_UPDATED) : FCurrentName, true);
}

}  // namespace ui
