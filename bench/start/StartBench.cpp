// start_bench [runs] [mp3|aac]
//
// How long a listener waits for sound. An Icecast-like live stream is served
// from 127.0.0.1 (a 64000-byte burst, then paced at its bit rate, with ICY
// metadata) as MP3 and AAC at 32, 64, 128 and 320 kbit/s, each with and
// without icy-br (the rate each file really has: 30 s of music, paced and
// announced at its size over its length). The BASS player plays each case `runs` times (default 5)
// on the no-sound device with the settings the controller gives it (10 s
// network buffer, 50 % pre-buffer). For each case it prints the medians of:
// when the pre-buffer's bytes (half the buffer length at the stream's real
// bit rate) had been sent, when the player reached psPlaying, and the
// difference, which is what the player adds to the network's own time,
// with the smallest and largest difference of the runs.
// When mpv is installed its time to playback on the same stream is printed
// beside. A codec named after the runs measures that codec only.
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/BenchKit.h"
#include "engine/BassRadioPlayer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNetBuffer = 10000;  // the options' default buffer
constexpr int kPrebufferPercent = 50;

double Since(Clock::time_point start, int64_t ns) {
  return std::chrono::duration<double>(Clock::time_point(std::chrono::nanoseconds(ns)) - start).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool HaveMpv() { return std::system("command -v mpv >/dev/null 2>&1") == 0; }

// Seconds from starting mpv to its playback message; negative on failure.
double MpvStart(const std::string& url) {
  const std::string command =
      "mpv --no-config --no-video --ao=null --length=1 --term-playing-msg=QOR-PLAYING '" + url + "' 2>/dev/null";
  const auto start = Clock::now();
  FILE* out = popen(command.c_str(), "r");
  if (!out) return -1;
  char line[512];
  double at = -1;
  while (std::fgets(line, sizeof line, out))
    if (at < 0 && std::string(line).find("QOR-PLAYING") != std::string::npos)
      at = std::chrono::duration<double>(Clock::now() - start).count();
  pclose(out);
  return at;
}

struct TCase {
  std::string codec;
  int kbps;
  bool icyBr;
};

struct TResult {
  int kbps = 0;
  double arrival = -1, playing = -1, difference = 0, mpv = -1;
  double fastest = 0, slowest = 0;  // the smallest and largest difference of the runs
  int failures = 0;
};

TResult Measure(TBassRadioPlayer& player, const TCase& c, const std::string& music, int runs, bool mpv) {
  benchkit::TStreamOptions options;
  options.contentType = c.codec == "aac" ? "audio/aac" : "audio/mpeg";
  // Encoders miss their nominal rate (AAC at 320 kbit/s gives about 250):
  // the stream is paced, announced and measured at the rate it really has,
  // as an honest server would.
  options.kbps = std::max(1, static_cast<int>(music.size() * 8 / 30 / 1000));
  options.sendBitrate = c.icyBr;
  options.markBytes = static_cast<size_t>(options.kbps) * 125 * kNetBuffer / 1000 * kPrebufferPercent / 100;
  std::vector<double> arrivals, playings, differences, mpvs;
  TResult result;
  result.kbps = options.kbps;
  for (int run = 0; run < runs; ++run) {
    benchkit::TStreamServer server(music, options);
    Clock::time_point playedAt{};
    player.OnPlay = [&](core::TObject*) {
      if (playedAt == Clock::time_point{}) playedAt = Clock::now();
    };
    player.Address = server.Url();
    const auto start = Clock::now();
    if (!player.Play() ||
        !benchkit::PumpUntil(start + std::chrono::seconds(40), [&] { return playedAt != Clock::time_point{} || player.State == psStopped; }) ||
        playedAt == Clock::time_point{}) {
      ++result.failures;
      player.Stop();
      continue;
    }
    // The mark may come after playback started when the player starts early.
    benchkit::PumpUntil(start + std::chrono::seconds(40), [&] { return server.MarkReachedAt() != 0; });
    const double arrival = Since(start, server.MarkReachedAt());
    const double playing = std::chrono::duration<double>(playedAt - start).count();
    player.Stop();
    arrivals.push_back(arrival);
    playings.push_back(playing);
    differences.push_back(playing - arrival);
  }
  if (mpv) {
    for (int run = 0; run < runs; ++run) {
      benchkit::TStreamServer server(music, options);
      double t = MpvStart(server.Url());
      if (t >= 0) mpvs.push_back(t);
    }
  }
  result.arrival = Median(arrivals);
  result.playing = Median(playings);
  result.difference = Median(differences);
  if (!differences.empty()) {
    result.fastest = *std::min_element(differences.begin(), differences.end());
    result.slowest = *std::max_element(differences.begin(), differences.end());
  }
  result.mpv = Median(mpvs);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string only = argc >= 3 ? argv[2] : "";
  if (!InitBass(0)) {
    std::fprintf(stderr, "audio library did not start\n");
    return 2;
  }
  const bool mpv = HaveMpv();
  TBassRadioPlayer player;
  player.Resolvers = {};
  player.PrebufferPercent = kPrebufferPercent;
  player.SetNetBuffer(kNetBuffer);
  player.SetNetTimeout(15000);
  std::printf("Play to psPlaying, medians of %d runs (buffer %d ms, pre-buffer %d %%)%s\n", runs, kNetBuffer,
              kPrebufferPercent, mpv ? "" : "; mpv is not installed");
  std::printf("%-5s %5s %5s %7s %12s %12s %12s %15s %10s\n", "codec", "kbps", "real", "icy-br", "arrival s", "playing s",
              "difference", "runs' range", mpv ? "mpv s" : "");
  bool ok = true;
  double worst = -1e9;
  for (const char* codec : {"mp3", "aac"}) {
    if (!only.empty() && only != codec) continue;
    for (int kbps : {32, 64, 128, 320}) {
      const std::string music = benchkit::MakeMusic(codec, kbps);
      if (music.empty()) {
        std::fprintf(stderr, "ffmpeg could not make the %s stream at %d kbit/s\n", codec, kbps);
        return 2;
      }
      for (bool icyBr : {true, false}) {
        TResult r = Measure(player, {codec, kbps, icyBr}, music, runs, mpv);
        if (r.failures) ok = false;
        worst = std::max(worst, r.difference);
        std::printf("%-5s %5d %5d %7s %12.3f %12.3f %12.3f %7.3f..%6.3f", codec, kbps, r.kbps, icyBr ? "yes" : "no", r.arrival,
                    r.playing, r.difference, r.fastest, r.slowest);
        if (mpv) std::printf(" %10.3f", r.mpv);
        if (r.failures) std::printf("  (%d runs failed)", r.failures);
        std::printf("\n");
        std::fflush(stdout);
      }
    }
  }
  std::printf("largest median difference: %.3f s (goal: at most 0.150 s)\n", worst);
  FreeBass();
  return ok ? 0 : 1;
}
