#include "support/HttpSession.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <vector>

struct THttpSessionLocks {
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<THttpSession*>(user)->locks_[static_cast<unsigned>(data) % 8].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<THttpSession*>(user)->locks_[static_cast<unsigned>(data) % 8].unlock();
  }
};

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::mutex gHandleMutex;
THttpSession* gHandle = nullptr;
// Closed sessions are kept (without their share) so that a worker that
// still holds the old pointer finds a closed session rather than freed
// memory.
std::vector<std::unique_ptr<THttpSession>>& Retired() {
  static std::vector<std::unique_ptr<THttpSession>> retired;
  return retired;
}

}  // namespace

THttpSession::THttpSession() {
  GlobalInit();
  share_ = curl_share_init();
  if (!share_) return;
  curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &THttpSessionLocks::Lock);
  curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &THttpSessionLocks::Unlock);
  curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
}

THttpSession::~THttpSession() {
  Drain(10000);
  if (share_) curl_share_cleanup(share_);
}

bool THttpSession::Enter() {
  std::lock_guard lock(activeMutex_);
  if (cancelled_ || !share_) return false;
  ++active_;
  return true;
}

void THttpSession::Leave() {
  std::lock_guard lock(activeMutex_);
  --active_;
  activeChanged_.notify_all();
}

void THttpSession::ReleaseShare() {
  std::lock_guard lock(activeMutex_);
  if (active_ == 0 && share_) {
    curl_share_cleanup(share_);
    share_ = nullptr;
  }
}

bool THttpSession::Drain(int timeoutMs) {
  CancelAll();
  std::unique_lock lock(activeMutex_);
  return activeChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return active_ == 0; });
}

bool OpenInternetHandle() {
  CloseInternetHandle();
  auto session = std::make_unique<THttpSession>();
  if (!session->Valid()) return false;
  std::lock_guard lock(gHandleMutex);
  gHandle = session.release();
  return true;
}

void CloseInternetHandle() {
  THttpSession* session;
  {
    std::lock_guard lock(gHandleMutex);
    session = gHandle;
    gHandle = nullptr;
  }
  if (!session) return;
  // A transfer that would not stop in time keeps the share until the
  // program ends; otherwise it is freed now.
  if (session->Drain(10000)) session->ReleaseShare();
  std::lock_guard lock(gHandleMutex);
  Retired().emplace_back(session);
}

HINTERNET InternetHandle() {
  std::lock_guard lock(gHandleMutex);
  return gHandle;
}
