// The two downloads of the station database that the player window runs:
// the published package that replaces broadcast.rpf in the settings folder
// (on UM_DATABASE_UPDATE, after the update check found a newer database),
// and the administrator's station list, which is written as the three
// publishable files (broadcast.xml, broadcast.rpf, broadcast.zip). Each
// download runs on a TInetThread that posts its reply message to the
// window; the window hands the reply back here on its own thread. At most
// one of the two is out at a time.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "core/Messages.h"
#include "support/InetThread.h"

namespace app {

class TOptions;

// Replies of the two downloads to the window that started them.
inline constexpr core::UINT UM_DATABASE_DOWNLOADED = 38059;
inline constexpr core::UINT UM_STATION_LIST_DOWNLOADED = 38064;

inline constexpr const char* StationListPath = "/qor/broadcast.php";

// Marquee texts of the downloads.
inline constexpr int IDS_DATABASE_DOWNLOADING = 201;
inline constexpr int IDS_DATABASE_INSTALLING = 202;
inline constexpr int IDS_DATABASE_UPDATED = 203;

// The value stored as option dbversion after an install: the published
// version the update check compared with, which is 1.0 when the document
// named none (stored as such, so that the same database is not fetched
// again at every start).
std::string InstalledDatabaseVersion(const std::string& published);

class TDatabaseDownload {
 public:
  // replyWindow receives the two reply messages.
  explicit TDatabaseDownload(core::HWND replyWindow);
  // Cancels a running download and waits for it.
  ~TDatabaseDownload();
  TDatabaseDownload(const TDatabaseDownload&) = delete;
  TDatabaseDownload& operator=(const TDatabaseDownload&) = delete;

  bool Busy() const { return FThread != nullptr; }

  // Start the package download (the database path the update check found,
  // on the vendor's API host) or the station-list download. False when
  // one is already out, the vendor host is empty or no thread could start.
  bool StartPackage();
  bool StartStationList();

  // On the reply message: the body of the finished download, and the
  // thread is freed. Empty when the transfer failed, was cut off, ended
  // with a status other than 2xx, or the message does not match what is
  // out.
  std::string TakeBody(core::UINT reply);

 private:
  bool Start(core::UINT reply, const std::string& path, std::size_t maxBody);

  core::HWND FWindow;
  core::UINT FReply = 0;
  std::unique_ptr<TInetThread> FThread;
};

}  // namespace app
