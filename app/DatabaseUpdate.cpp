#include "app/DatabaseUpdate.h"

#include "app/UpdateCheck.h"
#include "support/Deploy.h"

namespace app {

namespace {

// The station database is a few megabytes; the list files refuse anything
// beyond 64 MB, so a longer body is not worth receiving.
constexpr std::size_t kMaxDownload = 64u * 1024 * 1024;

}  // namespace

std::string InstalledDatabaseVersion(const std::string& published) { return published.empty() ? "1.0" : published; }

TDatabaseDownload::TDatabaseDownload(core::HWND replyWindow) : FWindow(replyWindow) {}

TDatabaseDownload::~TDatabaseDownload() = default;

bool TDatabaseDownload::Start(core::UINT reply, const std::string& path, std::size_t maxBody) {
  if (FThread) return false;
  FThread = StartRequest(FWindow, reply, deploy::Value(deploy::VendorApiHost), path + RandomQuery(), {}, maxBody);
  FReply = FThread ? reply : 0;
  return FThread != nullptr;
}

bool TDatabaseDownload::StartPackage() { return Start(UM_DATABASE_DOWNLOADED, DatabasePath(), kMaxDownload); }

bool TDatabaseDownload::StartStationList() { return Start(UM_STATION_LIST_DOWNLOADED, StationListPath, kMaxDownload); }

std::string TDatabaseDownload::TakeBody(core::UINT reply) {
  if (!FThread || reply != FReply) return {};
  std::unique_ptr<TInetThread> thread = std::move(FThread);
  FReply = 0;
  return CompletedBody(*thread);
}

}  // namespace app
