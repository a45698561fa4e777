#include "PlayerTestKit.h"

#include <thread>

namespace playertest {

namespace fs = std::filesystem;

fs::path Media(const std::string& name) {
  return testkit::MediaFile("player-test-media", name, [&](const fs::path& path) -> std::string {
    const std::string ff = testkit::kFfmpegMake;
    using testkit::SineInput;
    if (name == "tone.mp3") return ff + SineInput(440, 44100, 2, 20) + "-c:a libmp3lame -b:a 128k " + path.string();
    if (name == "short.mp3") return ff + SineInput(440, 44100, 2, 1) + "-c:a libmp3lame -b:a 128k " + path.string();
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

void ServeLive(const testkit::FixtureServer& server, testkit::Connection& connection, const std::string& audio,
               const TLiveOptions& options) {
  std::string head = options.statusLine + "\r\nContent-Type: " + options.contentType + "\r\n";
  for (const auto& [k, v] : options.headers) head += k + ":" + v + "\r\n";
  if (options.metaInt) head += "icy-metaint:" + std::to_string(options.metaInt) + "\r\n";
  head += "\r\n";
  if (!connection.Write(head)) return;
  size_t position = 0, sent = 0, sinceMeta = 0;
  int block = 0;
  auto start = std::chrono::steady_clock::now();
  while (!server.Stopping()) {
    if (options.limit && sent >= options.limit) {
      connection.Close();
      return;
    }
    if (options.stallAfter && sent >= options.stallAfter) {
      server.SleepFor(std::chrono::milliseconds(20));
      continue;
    }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    size_t allowed = options.burst + static_cast<size_t>(elapsed * options.bytesPerSecond);
    if (options.stallAfter) allowed = std::min(allowed, options.stallAfter);
    if (sent >= allowed) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    size_t chunk = std::min<size_t>(4096, allowed - sent);
    if (options.metaInt) chunk = std::min(chunk, options.metaInt - sinceMeta);
    if (options.limit) chunk = std::min(chunk, options.limit - sent);
    std::string out;
    while (out.size() < chunk) {
      size_t take = std::min(chunk - out.size(), audio.size() - position);
      out.append(audio, position, take);
      position = (position + take) % audio.size();
    }
    if (!connection.Write(out)) return;
    sent += chunk;
    sinceMeta += chunk;
    if (options.metaInt && sinceMeta == options.metaInt) {
      sinceMeta = 0;
      std::string text = "StreamTitle='" + options.title(block++) + "';StreamUrl='';";
      size_t blocks = (text.size() + 15) / 16;
      text.resize(blocks * 16, '\0');
      if (!connection.Write(std::string(1, static_cast<char>(blocks)) + text)) return;
    }
  }
}

int TFakeRecorder::WriteRaw(const void*, int length) {
  bytes += static_cast<uint64_t>(length);
  return length;
}

TEventLog::TEventLog(TBaseRadioPlayer& player) {
  TBaseRadioPlayer* p = &player;
  player.OnError = [this, p](widgets::TObject*) { Add("error:" + std::to_string(p->LastError)); };
  player.OnPlay = [this](widgets::TObject*) { Add("play"); };
  player.OnConnecting = [this](widgets::TObject*) { Add("connecting"); };
  player.OnBuffering = [this](widgets::TObject*, int32_t percent) { Add("buffering:" + std::to_string(percent)); };
  player.OnStall = [this](widgets::TObject*) { Add("stall"); };
  player.OnPause = [this](widgets::TObject*) { Add("pause"); };
  player.OnStop = [this](widgets::TObject*) { Add("stop"); };
  player.OnMetadata = [this](widgets::TObject*, const std::string& text) { Add("meta:" + text); };
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
