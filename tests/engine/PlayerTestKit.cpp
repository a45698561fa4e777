#include "PlayerTestKit.h"

namespace playertest {

namespace fs = std::filesystem;

fs::path Media(const std::string& name) {
  return testkit::MediaFile("player-test-media", name, [&](const fs::path& path) -> std::string {
    const std::string ff = testkit::kFfmpegMake;
    using testkit::SineInput;
    if (name == "tone.mp3") return ff + SineInput(440, 44100, 2, 20) + "-c:a libmp3lame -b:a 128k " + path.string();
    if (name == "short.mp3") return ff + SineInput(440, 44100, 2, 1) + "-c:a libmp3lame -b:a 128k " + path.string();
    if (name == "tone.aac") return ff + SineInput(440, 44100, 2, 3) + "-c:a aac -b:a 128k -f adts " + path.string();
    if (name == "tone.ogg")
      return ff + SineInput(440, 44100, 2, 3) + "-c:a libvorbis -metadata TITLE=Song -metadata ARTIST=Maker " +
             path.string();
    if (name == "mono.wav") return ff + SineInput(440, 22050, 1, 2) + "-c:a pcm_s16le " + path.string();
    return {};
  });
}

TAudioLibrary::TAudioLibrary() {
  ok = InitBass(0);
  notImplemented = !ok && audio::ErrorGetCode() == audio::ERROR_NOTAVAIL;
  if (ok) audio::SetConfig(audio::CONFIG_NET_RECONNECT, 30000);
}

TAudioLibrary::~TAudioLibrary() { FreeBass(); }

void TLiveStreamTest::SetUp() {
  REQUIRE_AUDIO(lib);
  mp3 = ReadBytes(Media("tone.mp3"));
  ASSERT_GT(mp3.size(), 100000u);
}

void TLiveStreamTest::Live(const std::string& path, TLiveOptions options, int delayMs) {
  server.Route(path, [this, options, delayMs](const testkit::HttpRequest&, testkit::Connection& c) {
    if (delayMs && !server.SleepFor(std::chrono::milliseconds(delayMs))) return;
    ServeLive(server, c, mp3, options);
    if (!c.IsOpen() || !c.Write(std::string(1, '\0'))) closedByClient = true;
  });
}

bool TLiveStreamTest::PlayTo(TBaseRadioPlayer& player, const std::string& address, int32_t state) {
  player.Address = address;
  if (!player.Play()) return false;
  return PumpUntil([&] { return player.State == state; });
}

int TFakeRecorder::WriteRaw(const void*, int length) {
  bytes += static_cast<uint64_t>(length);
  return length;
}

TEventLog::TEventLog(TBaseRadioPlayer& player) {
  TBaseRadioPlayer* p = &player;
  player.OnError = [this, p](core::TObject*) { Add("error:" + std::to_string(p->LastError)); };
  player.OnPlay = [this](core::TObject*) { Add("play"); };
  player.OnConnecting = [this](core::TObject*) { Add("connecting"); };
  player.OnBuffering = [this](core::TObject*, int32_t percent) { Add("buffering:" + std::to_string(percent)); };
  player.OnStall = [this](core::TObject*) { Add("stall"); };
  player.OnPause = [this](core::TObject*) { Add("pause"); };
  player.OnStop = [this](core::TObject*) { Add("stop"); };
  player.OnMetadata = [this](core::TObject*, const std::string& text) { Add("meta:" + text); };
}

void TEventLog::Add(const std::string& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
  events_.emplace_back(event, ms);
}

std::vector<std::string> TEventLog::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : events_) out.push_back(e.first);
  return out;
}

int TEventLog::Count(const std::string& event) const {
  std::lock_guard<std::mutex> lock(mutex_);
  int n = 0;
  for (const auto& e : events_) n += e.first == event;
  return n;
}

std::vector<long> TEventLog::Times(const std::string& event) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<long> out;
  for (const auto& e : events_)
    if (e.first == event) out.push_back(e.second);
  return out;
}

std::string TEventLog::Joined() const {
  std::string out;
  for (const auto& e : Events()) out += (out.empty() ? "" : " ") + e;
  return out;
}

std::string TEventLog::Timeline() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string out;
  for (const auto& e : events_) out += (out.empty() ? "" : " ") + e.first + "@" + std::to_string(e.second);
  return out;
}

void TEventLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

}  // namespace playertest
