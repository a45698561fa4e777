// The background exchanges of the controller with the vendor's service and
// the visitor counter: the version document (new program, new station
// database, new banner), the banner download, the visitor count and the
// visitor-widget hit. Each kind runs on its own TInetThread, at most one at
// a time, and reports by a message to the controller window, which hands it
// back here on the user-interface thread. Hosts come from the deployment
// table; an empty host switches its exchanges off silently.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "support/InetThread.h"
#include "core/Messages.h"

namespace app {

class TOptions;

// The program's own version, compared with the published one.
inline constexpr const char* ProgramVersion = "5.3";
inline constexpr const char* DefaultDatabasePath = "/qor/db/broadcast.zip";
inline constexpr const char* DefaultBannerPath = "/qor/assets/banners/banner.xml";
inline constexpr const char* VersionPath = "/qor/version.xml";
inline constexpr const char* SiteCountPath = "/sitecount/velmoraapp10";
inline constexpr const char* WidgetPath = "/swidget/velmoraapp10.gif";

struct TApiVersion {
  std::string Program;   // v
  std::string Database;  // d
  std::string Banner;    // b
};

struct TBannerInfo {
  std::u16string Text;
  std::u16string Link;
  std::string Image;  // base64 text of the picture
};

// Process-wide values, read by the player window.
TApiVersion& ApiVersion();
std::string& DatabasePath();
std::string& BannerPath();
TBannerInfo& BannerInfo();
// Back to the values before any document was read (tests).
void ResetUpdateValues();

// The body of a finished exchange, or empty when it failed: no answer, a
// body cut short, or an error status whose page is no document of ours.
std::string CompletedBody(TInetThread& thread);

// The version document: root "r" with "v", "d" and "b" (each optional).
// False for anything that is not well-formed XML with that root.
bool ParseVersionDocument(const std::string& body, TApiVersion& version);
// The banner document: root "r" with "t", "l" and "b".
bool ParseBannerDocument(const std::string& body, TBannerInfo& banner);
// Byte-wise comparison: "5.4" and "6" are newer than "5.3", "5.10" is not.
bool VersionIsNewer(const std::string& published, const std::string& own = ProgramVersion);
// The first `word` in `path` followed by `version` ("broadcast" + "1.9"
// gives "broadcast1.9"); the path unchanged when the version is empty.
std::string PathWithVersion(const std::string& path, const std::string& word, const std::string& version,
                            const std::string& suffix = "");
// A stored version: 0 when empty or not a number.
double LocalVersionNumber(const std::string& text);
// A published version: 1.0 when empty, 0 when not a number.
double PublishedVersionNumber(const std::string& text);
// The trimmed body as a decimal integer; -1 when it is not one.
long VisitorCountFromBody(const std::string& body);
// "?" and a pseudo-random number in 0..2147483646, so that no cache answers.
std::string RandomQuery();
// A GET of path on host through the shared internet handle, started on
// its own thread, which posts message to window when it ends. Nothing
// (no request of that kind) when the host is empty, no handle is open,
// the window is gone or the thread cannot start.
std::unique_ptr<TInetThread> StartRequest(core::HWND window, core::UINT message, const std::string& host,
                                          const std::string& path, const std::string& referer,
                                          std::size_t maxBody);

// What the exchanges need of their owner.
struct TUpdateHost {
  core::HWND Window = 0;  // receives the completion messages
  TOptions* Options = nullptr;
  std::u16string SettingsFolder;
  std::function<core::HWND()> PlayerWindow;  // 0 when there is none
  std::function<std::u16string()> StationName;
  // Yes/No/Cancel question (IDYES, IDNO, IDCANCEL); none: nobody is asked.
  std::function<int(core::HWND owner, const std::u16string& text, const std::u16string& caption)> Ask;
  std::function<void(const std::string& address)> OpenAddress;
};

class TUpdateCheck {
 public:
  explicit TUpdateCheck(TUpdateHost host);
  // Cancels and waits for whatever still runs.
  ~TUpdateCheck();
  TUpdateCheck(const TUpdateCheck&) = delete;
  TUpdateCheck& operator=(const TUpdateCheck&) = delete;

  void StartVersionCheck();
  void StartBanner();
  void StartSiteCount();
  // A hit asked for while one is still out is sent when that one ends,
  // with the referer of the moment it was asked for: the station that
  // started playing is counted even right after the start-up hit.
  void StartWidgetHit();

  // Completion messages.
  void VersionDone();
  void BannerDone();
  void SiteCountDone();
  void WidgetDone();

  // Ends the four exchanges (visitor count, widget, version, banner) and
  // frees their threads; running ones are cancelled first so that closing
  // never waits on the network.
  void WaitAll();

  long LastVisitorCount() const { return FLastVisitorCount; }
  bool VersionBusy() const { return FVersion != nullptr; }
  bool BannerBusy() const { return FBanner != nullptr; }
  bool SiteCountBusy() const { return FSiteCount != nullptr; }
  bool WidgetBusy() const { return FWidget != nullptr; }

 private:
  void SendWidgetHit(const std::string& referer);
  core::HWND PlayerWindow() const { return FHost.PlayerWindow ? FHost.PlayerWindow() : 0; }
  bool BannerFileExists() const;
  bool WriteBannerFile(const std::string& bytes) const;

  TUpdateHost FHost;
  std::unique_ptr<TInetThread> FVersion;
  std::unique_ptr<TInetThread> FWidget;
  std::optional<std::string> FPendingWidgetReferer;
  std::unique_ptr<TInetThread> FBanner;
  std::unique_ptr<TInetThread> FSiteCount;
  long FLastVisitorCount = 0;
};

}  // namespace app
