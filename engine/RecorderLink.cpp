#include "engine/RecorderLink.h"

#include <mutex>

namespace {
std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}
TRecorderLink* registered = nullptr;
}  // namespace

void SetProcessRecorder(TRecorderLink* recorder) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  registered = recorder;
}

TRecorderLink* ProcessRecorder() {
  std::lock_guard<std::mutex> guard(RegistryLock());
  return registered;
}

void FeedProcessRecorder(const void* buffer, uint32_t length) {
  if (buffer == nullptr || length == 0) return;
  std::lock_guard<std::mutex> guard(RegistryLock());
  TRecorderLink* recorder = registered;
  if (recorder == nullptr || recorder->IsEncodeMode() || recorder->RecorderState() != rsRecording) return;
  recorder->WriteRaw(buffer, static_cast<int>(length > 0x7FFFFFFFu ? 0x7FFFFFFFu : length));
}
