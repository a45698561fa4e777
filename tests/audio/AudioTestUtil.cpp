#include "AudioTestUtil.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

namespace audiotest {

using audio::DWORD;

namespace fs = std::filesystem;

fs::path Media(const std::string& name) {
  auto sine = [](int hz, double amplitude, int seconds) {
    // Not std::to_string: a run under a Turkish locale would write "0,5".
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, amplitude).ptr;
    const std::string a(number, end);
    return "-f lavfi -i \"aevalsrc=" + a + "*sin(" + std::to_string(hz) +
           "*2*PI*t)|" + a + "*sin(" + std::to_string(hz) +
           "*2*PI*t):s=44100:d=" + std::to_string(seconds) + "\" ";
  };
  return testkit::MediaFile("audio-test-media", name, [&](const fs::path& path) -> std::string {
    const std::string ff = testkit::kFfmpegMake;
    const std::string src = sine(440, 0.5, 10);
    if (name == "sine440.mp3") return ff + src + "-c:a libmp3lame -b:a 128k " + path.string();
    if (name == "sine440.aac") return ff + src + "-c:a aac -b:a 128k -f adts " + path.string();
    if (name == "sine440.ogg") return ff + src + "-c:a libvorbis -metadata TITLE=Tone -metadata ARTIST=Maker " + path.string();
    if (name == "sine440.opus") return ff + src + "-c:a libopus -b:a 96k " + path.string();
    if (name == "sine440.flac") return ff + src + "-c:a flac " + path.string();
    if (name == "sine440.wav") return ff + src + "-c:a pcm_s16le " + path.string();
    // One channel at half the rate: the mixer converts it for the device.
    if (name == "sine440-mono22k.wav")
      return ff + "-f lavfi -i \"aevalsrc=0.5*sin(440*2*PI*t):s=22050:d=10\" -c:a pcm_s16le " + path.string();
    // One loud channel at the device's rate: it reaches the device unchanged.
    if (name == "sine440-mono.wav")
      return ff + "-f lavfi -i \"aevalsrc=0.9*sin(440*2*PI*t):s=44100:d=10\" -c:a pcm_s16le " + path.string();
    if (name == "sine440.ac3") return ff + src + "-c:a ac3 -b:a 192k " + path.string();
    if (name == "sine440.m4a") return ff + src + "-c:a aac -b:a 128k -movflags +faststart " + path.string();
    // A tone under steady noise at a high rate: AAC frames whose sizes vary
    // as a real station's do (the same noise every time).
    if (name == "noise320.aac")
      return ff + "-f lavfi -i \"sine=f=220:d=10\" -f lavfi -i \"anoisesrc=d=10:a=0.05:seed=1\" " +
             "-filter_complex amix=inputs=2,aformat=channel_layouts=stereo -ar 44100 -c:a aac -b:a 320k -f adts " +
             path.string();
    if (name == "sine440.wma") return ff + src + "-c:a wmav2 -b:a 128k " + path.string();
    if (name == "sine440_2s.mp3") return ff + sine(440, 0.5, 2) + "-c:a libmp3lame -b:a 128k " + path.string();
    // Two different tones that start at full swing: the first frame of the
    // file is the first sound a device plays, and a swapped or shifted side
    // shows. The raw file holds the same samples for comparing.
    const std::string tones =
        "-f lavfi -i \"aevalsrc=0.5*cos(440*2*PI*t)|0.25*cos(1250*2*PI*t)+0.2*cos(97*2*PI*t):s=44100:d=3\" ";
    if (name == "tones.wav") return ff + tones + "-c:a pcm_s16le " + path.string();
    if (name == "tones.raw") return ff + tones + "-f s16le -c:a pcm_s16le " + path.string();
    if (name == "tones.mp3") return ff + tones + "-c:a libmp3lame -b:a 192k " + path.string();
    // The same in float samples: the demuxer reads it a packet at a time,
    // without first looking 64 KiB ahead as it does into 16-bit PCM.
    if (name == "tones-f32.wav") return ff + tones + "-c:a pcm_f32le " + path.string();
    if (name == "tones48k.wav")
      return ff + "-f lavfi -i \"aevalsrc=0.5*cos(440*2*PI*t)|0.25*cos(1250*2*PI*t)+0.2*cos(97*2*PI*t):s=48000:d=3\" " +
             "-c:a pcm_s16le " + path.string();
    if (name == "sine1000.wav") return ff + sine(1000, 0.1, 10) + "-c:a pcm_s16le " + path.string();
    if (name == "sine100.wav") return ff + sine(100, 0.1, 10) + "-c:a pcm_s16le " + path.string();
    if (name == "hls/index.m3u8")
      return ff + src + "-c:a aac -b:a 96k -f hls -hls_time 2 -hls_list_size 0 -hls_segment_filename " +
             (path.parent_path() / "seg%03d.ts").string() + " " + path.string();
    return {};
  });
}

double AdtsSeconds(const fs::path& path) {
  const std::string out = testkit::RunAndRead(
      "ffprobe -v error -count_packets -select_streams a:0 -show_entries stream=nb_read_packets "
      "-of default=nw=1:nk=1 " + testkit::ShellQuote(path.string()) + " 2>/dev/null");
  int packets = 0;
  if (std::from_chars(out.data(), out.data() + out.size(), packets).ec != std::errc() || packets <= 0) return -1;
  return packets * 1024.0 / 44100;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto until = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

double ToneAmplitude(const std::vector<float>& interleaved, int channels, int rate, double hz) {
  const size_t n = interleaved.size() / channels;
  if (n == 0) return 0;
  const double w = 2.0 * M_PI * hz / rate;
  const double coeff = 2.0 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (size_t i = 0; i < n; ++i) {
    double s = interleaved[i * channels] + coeff * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  return 2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(n);
}

std::vector<float> RecentSamples(audio::DWORD handle, int frames, int channels) {
  std::vector<float> data(static_cast<size_t>(frames) * channels);
  DWORD got = audio::ChannelGetData(handle, data.data(),
                                    static_cast<DWORD>(data.size() * sizeof(float)) | audio::DATA_FLOAT);
  if (got == static_cast<DWORD>(-1)) return {};
  data.resize(got / sizeof(float));
  return data;
}

TLibrary::TLibrary(int device) {
  ok = audio::Init(device, 44100, 0, nullptr, nullptr) != 0;
  audio::SetConfig(audio::CONFIG_NET_PLAYLIST, 1);
  audio::SetConfig(audio::CONFIG_NET_PREBUF, 0);
  audio::SetConfig(audio::CONFIG_NET_BUFFER, 5000);
  audio::SetConfig(audio::CONFIG_NET_TIMEOUT, 3000);
  audio::SetConfig(audio::CONFIG_NET_RECONNECT, 30000);
  audio::SetConfigPtr(audio::CONFIG_NET_PROXY, nullptr);
}

TLibrary::~TLibrary() {
  if (ok) audio::Free();
}

TDiskOutput::TDiskOutput() : file_((dir_.Path() / "out.raw").string()) {
  driver_ = std::make_unique<testkit::EnvScope>("SDL_AUDIODRIVER", "disk");
  output_ = std::make_unique<testkit::EnvScope>("SDL_DISKAUDIOFILE", file_.c_str());
  library_ = std::make_unique<TLibrary>(-1);
}

void TDiskOutput::Finish() {
  library_.reset();
  output_.reset();
  driver_.reset();
}

std::vector<float> TDiskOutput::Samples() const {
  std::ifstream in(file_, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
  std::vector<float> samples(raw.size() / sizeof(float));
  std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
  return samples;
}

void ServeLive(const testkit::FixtureServer& server, testkit::Connection& connection,
               const std::string& audio, const TLiveOptions& options) {
  testkit::LiveStreamOptions live;
  live.statusLine = options.icyStatusLine ? "ICY 200 OK" : "HTTP/1.0 200 OK";
  live.contentType = options.contentType;
  live.headerLines = {"icy-name: Test Radio", "icy-br:128"};
  live.metaInt = options.metaInt;
  live.title = options.title;
  live.bytesPerSecond = options.bytesPerSecond;
  live.burst = options.burst;
  live.limit = options.limit;
  testkit::ServeLiveStream(server, connection, audio, live);
}

}  // namespace audiotest
