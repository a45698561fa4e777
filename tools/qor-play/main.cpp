// qor-play [-t seconds] [-d device] [-a attempts] [-v volume] ADDRESS
//
// Plays ADDRESS the way the player window would and prints every player
// event with the time it came, until the stream ends, fails, the time is
// up or Ctrl+C is pressed. Exit status: 0 when the stream played, 1 when
// it failed, 2 for a bad command line.
#include <glib-unix.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/BassRadioPlayer.h"
#include "core/Messages.h"
#include "core/Timer.h"

namespace {

const auto startTime = std::chrono::steady_clock::now();

void Print(const std::string& text) {
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
  std::printf("[%8.3f] %s\n", seconds, text.c_str());
  std::fflush(stdout);
}

int Usage() {
  std::fprintf(stderr,
               "usage: qor-play [-t seconds] [-d device] [-a attempts] [-v volume] ADDRESS\n"
               "  -t  stop after this many seconds (default: until the stream ends)\n"
               "  -d  audio device: -1 the default output (default), 0 no sound\n"
               "  -a  connection attempts (default 1)\n"
               "  -v  volume 0..100 (default 50)\n");
  return 2;
}

bool ParseNumber(const char* text, int& value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < -1000000 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

std::string Describe(TBassRadioPlayer& player) {
  std::string codec = player.GetCodecName();
  std::string text = codec.empty() ? "stream" : codec;
  text += ", " + std::to_string(player.GetSampleRate()) + " Hz";
  text += player.IsStereo() ? ", stereo" : ", mono";
  int bitrate = player.GetBitrate();
  if (bitrate > 0) text += ", " + std::to_string(bitrate) + " kbit/s";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 0, device = -1, attempts = 1, volume = 50;
  std::string address;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    int* target = arg == "-t" ? &seconds : arg == "-d" ? &device : arg == "-a" ? &attempts : arg == "-v" ? &volume : nullptr;
    if (target) {
      if (i + 1 >= argc || !ParseNumber(argv[++i], *target)) return Usage();
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (address.empty()) {
      address = arg;
    } else {
      return Usage();
    }
  }
  if (address.empty() || seconds < 0) return Usage();

  core::InitMessages();
  if (!InitBass(device)) {
    if (device != 0 && InitBass(0)) {
      Print("no sound device could be opened; playing without sound");
    } else {
      std::fprintf(stderr, "qor-play: the audio library could not start (error %d)\n", audio::ErrorGetCode());
      return 1;
    }
  }

  int status = 1;
  {
    TBassRadioPlayer player;
    player.Attempts = attempts;
    player.SetVolume(volume);
    player.StationName = address;
    player.Address = address;
    bool played = false;

    player.OnConnecting = [&](core::TObject*) { Print("connecting to " + player.Address); };
    player.OnBuffering = [&](core::TObject*, int32_t percent) { Print("buffering " + std::to_string(percent) + "%"); };
    player.OnPlay = [&](core::TObject*) {
      played = true;
      Print("playing (" + Describe(player) + ")");
      std::string title = player.GetTitle();
      if (!title.empty()) Print("title: " + title);
    };
    player.OnStall = [&](core::TObject*) { Print("stalled"); };
    player.OnPause = [&](core::TObject*) { Print("paused"); };
    player.OnStop = [&](core::TObject*) {
      Print("stopped");
      core::PostQuitMessage(0);
    };
    player.OnError = [&](core::TObject*) {
      Print("error " + std::to_string(player.LastError) + ": " + PlayerErrorText(player.LastError));
      core::PostQuitMessage(0);
    };
    player.OnMetadata = [&](core::TObject*, const std::string& meta) {
      Print("metadata: " + meta);
      Print("title: " + player.GetTitle());
    };

    core::TTimer limit;
    limit.SetEnabled(false);
    limit.SetInterval(static_cast<core::UINT>(seconds) * 1000);
    limit.SetOnTimer([&](core::TObject*) {
      limit.SetEnabled(false);
      Print("time is up");
      if (player.State == psStopped) core::PostQuitMessage(0);
      player.Stop();
    });
    if (seconds > 0) limit.SetEnabled(true);

    static guint sigint = 0;
    sigint = g_unix_signal_add(
        SIGINT, [](gpointer data) -> gboolean {
          sigint = 0;
          Print("interrupted");
          static_cast<TBassRadioPlayer*>(data)->Stop();
          core::PostQuitMessage(0);
          return G_SOURCE_REMOVE;
        },
        &player);

    if (!player.Play()) {
      Print("error " + std::to_string(player.LastError) + ": " + PlayerErrorText(player.LastError));
    } else {
      core::RunMessageLoop();
    }
    if (sigint) g_source_remove(sigint);
    status = played ? 0 : 1;
  }
  FreeBass();
  return status;
}
