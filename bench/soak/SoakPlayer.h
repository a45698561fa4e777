// The played side of the soak benchmark: a process that runs the real
// controller, both players and the audio library on the no-sound device,
// with a client window in the player window's place.
#pragma once

#include <string>

namespace soak {

// Plays `address` through the controller until SIGTERM, like a listener who
// presses play again whenever the station stops (the ffmpeg player ends
// with its decoder when the connection drops). One line per new title,
// start of playback and stop goes to standard output. `options` is the
// options file to use (made when missing).
int RunPlayer(const std::string& address, const std::string& options);

}  // namespace soak
