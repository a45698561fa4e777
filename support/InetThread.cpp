#include "support/InetThread.h"

TInetThread::TInetThread(core::HWND target, HINTERNET handle, core::UINT message)
    : handle_(handle), target_(target), message_(message) {
  request_.CancelFlag = &Cancel;
}

TInetThread::~TInetThread() {
  Cancel = true;
  if (thread_.joinable()) thread_.join();
}

void TInetThread::Resume() {
  if (thread_.joinable() || finished_) return;
  thread_ = std::thread([this] { Run(); });
}

void TInetThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TInetThread::Run() {
  result_ = request_.Execute(handle_);
  finished_ = true;
  // The window may have been destroyed while the exchange ran; PostMessage
  // drops the message then, and the owner still frees this object.
  if (core::IsWindow(target_)) core::PostMessage(target_, message_, 0, result_);
}
