#include "widgets/backend/Backend.h"

#include <array>
#include <atomic>
#include <vector>

#include "widgets/backend/Offscreen.h"

namespace widgets {

namespace {
std::unique_ptr<TBackend>& Slot() {
  static std::unique_ptr<TBackend> backend;
  return backend;
}
std::array<std::atomic<bool>, 256> gKeys{};
// A press since GetAsyncKeyState last asked about the key.
std::array<std::atomic<bool>, 256> gPressed{};
}  // namespace

TBackend& Backend() {
  auto& slot = Slot();
  if (!slot) slot = std::make_unique<TOffscreenBackend>();
  return *slot;
}

void SetBackend(std::unique_ptr<TBackend> backend) {
  // Old native windows may still point into the old backend; keep it.
  static std::vector<std::unique_ptr<TBackend>> retired;
  if (Slot()) retired.push_back(std::move(Slot()));
  Slot() = std::move(backend);
  // Keys and buttons held on the old backend's display (a release it never
  // saw: its window went first) are nothing the new one has pressed.
  for (auto& key : gKeys) key = false;
  for (auto& key : gPressed) key = false;
}

bool TBackend::KeyDownNow(unsigned vk) { return GetKeyState(vk) < 0; }

short GetAsyncKeyState(unsigned vk) {
  bool down = Backend().KeyDownNow(vk);
  bool pressed = vk < gPressed.size() && gPressed[vk].exchange(false);
  return static_cast<short>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

void NoteKeyPressed(unsigned vk) {
  if (vk < gPressed.size()) gPressed[vk] = true;
}

short GetKeyState(unsigned vk) { return vk < gKeys.size() && gKeys[vk] ? short(-32768) : short(0); }

void SetKeyDown(unsigned vk, bool down) {
  if (vk >= gKeys.size()) return;
  if (down && !gKeys[vk]) gPressed[vk] = true;
  gKeys[vk] = down;
}

UINT CurrentMouseKeys() {
  UINT keys = 0;
  if (gKeys[VK_LBUTTON]) keys |= MK_LBUTTON;
  if (gKeys[VK_RBUTTON]) keys |= MK_RBUTTON;
  if (gKeys[VK_MBUTTON]) keys |= MK_MBUTTON;
  if (gKeys[VK_SHIFT]) keys |= MK_SHIFT;
  if (gKeys[VK_CONTROL]) keys |= MK_CONTROL;
  return keys;
}

TPoint GetCursorPos() { return Backend().CursorPos(); }
TPoint GetMessagePos() { return Backend().MessagePos(); }

}  // namespace widgets
