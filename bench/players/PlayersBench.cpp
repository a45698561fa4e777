// players_bench [seconds]
//
// What the ffmpeg pipe player costs beside the direct player. A 128 kbit/s
// MP3 stream with metadata is served from 127.0.0.1 in real time; each
// player then plays it on the no-sound device for the given time (default
// 60 s), in a child process of its own so that the server is not counted.
// For each it prints the CPU seconds of the player's own process during
// playback, those of the ffmpeg decoder it ran (the direct player runs
// none), and the total per minute of playback.
#include <glib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/BenchKit.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuOf(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return benchkit::Seconds(usage.ru_utime) + benchkit::Seconds(usage.ru_stime);
}

// The child: plays `url` with one player for `seconds` after it reached
// psPlaying. Prints "<own CPU s> <decoder CPU s> <seconds played>".
int PlayChild(const std::string& kind, const std::string& url, int seconds) {
  if (!InitBass(0)) {
    std::fprintf(stderr, "audio library did not start\n");
    return 2;
  }
  std::unique_ptr<TBaseRadioPlayer> player;
  if (kind == "ffmpeg") {
    auto avconv = std::make_unique<TAVConvRadioPlayer>();
    avconv->Resolvers = {};
    avconv->PrebufferBytes = 262144;  // as the controller sets it
    player = std::move(avconv);
  } else {
    auto bass = std::make_unique<TBassRadioPlayer>();
    bass->Resolvers = {};
    player = std::move(bass);
  }
  player->Address = url;
  if (!player->Play()) return 3;
  if (!benchkit::PumpUntil(Clock::now() + std::chrono::seconds(15), [&] { return player->State == psPlaying; })) {
    std::fprintf(stderr, "%s player did not start playing (error %d)\n", kind.c_str(), player->LastError);
    return 4;
  }
  const double ownStart = CpuOf(RUSAGE_SELF);
  const auto start = Clock::now();
  benchkit::PumpUntil(start + std::chrono::seconds(seconds), [&] { return player->State == psStopped; });
  const double played = std::chrono::duration<double>(Clock::now() - start).count();
  const double own = CpuOf(RUSAGE_SELF) - ownStart;
  const bool stillPlaying = player->State == psPlaying || player->State == psStalled;
  // Stop reaps the decoder, so its whole run is counted below.
  player->Stop();
  const double decoder = CpuOf(RUSAGE_CHILDREN);
  player.reset();
  FreeBass();
  std::printf("%.3f %.3f %.3f\n", own, decoder, played);
  return stillPlaying ? 0 : 5;
}

struct TRun {
  double own = 0, decoder = 0, played = 0;
  int status = -1;
};

TRun Measure(const std::string& kind, const std::string& url, int seconds) {
  TRun run;
  benchkit::TChildRun child = benchkit::RunChild({"/proc/self/exe", "--play", kind, url, std::to_string(seconds)}, false);
  run.status = child.status;
  std::sscanf(child.output.c_str(), "%lf %lf %lf", &run.own, &run.decoder, &run.played);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--play") return PlayChild(argv[2], argv[3], std::atoi(argv[4]));
  const int seconds = argc >= 2 ? std::max(5, std::atoi(argv[1])) : 60;

  const std::string music = benchkit::MakeMusic();
  if (music.empty()) {
    std::fprintf(stderr, "ffmpeg could not make the test stream\n");
    return 2;
  }
  benchkit::TStreamServer server(music, "HTTP/1.0 200 OK");

  std::printf("Playing a 128 kbit/s MP3 stream for %d s with each player (no-sound device)...\n", seconds);
  struct TRow {
    const char* name;
    TRun run;
  } rows[] = {{"direct (audio library)", Measure("bass", server.Url(), seconds)},
              {"ffmpeg pipe player", Measure("ffmpeg", server.Url(), seconds)}};
  std::printf("%-24s %10s %12s %12s %14s %10s\n", "player", "played s", "player CPU", "decoder CPU", "CPU s/minute",
              "% core");
  bool ok = true;
  for (const auto& row : rows) {
    const TRun& r = row.run;
    if (r.status != 0 || r.played <= 0) {
      std::printf("%-24s failed (status %d)\n", row.name, r.status);
      ok = false;
      continue;
    }
    const double total = r.own + r.decoder;
    std::printf("%-24s %10.1f %12.2f %12.2f %14.2f %9.2f%%\n", row.name, r.played, r.own, r.decoder,
                total * 60.0 / r.played, 100.0 * total / r.played);
  }
  if (ok && rows[0].run.own + rows[0].run.decoder > 0) {
    const double direct = (rows[0].run.own + rows[0].run.decoder) / rows[0].run.played;
    const double piped = (rows[1].run.own + rows[1].run.decoder) / rows[1].run.played;
    std::printf("the ffmpeg pipe player costs %.1f times the direct player's CPU\n", piped / direct);
  }
  return ok ? 0 : 1;
}
