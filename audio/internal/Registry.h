// The library's process-wide state: whether it is initialised, the output,
// and the handles of channels, encoders, effects and plug-ins.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"

namespace audio::detail {

class TChannel;
class TEncoder;

bool Initialized();
std::shared_ptr<TChannel> FindChannel(DWORD handle);
// Publishes a new channel (its handle was drawn with NewHandle).
void AddChannel(const std::shared_ptr<TChannel>& channel);
// Unpublishes a channel and releases it in the background, with the
// encoders that asked to go with it. False when there is no such channel.
bool FreeChannel(DWORD handle);

// A channel started playing: the mixer, which sleeps while nothing plays,
// takes it up at once.
void WakeOutput();

void AddEncoder(const std::shared_ptr<TEncoder>& encoder);
std::shared_ptr<TEncoder> FindEncoder(HENCODE handle);
// Removes and returns the encoder `handle`, or all encoders of the channel
// `handle`.
std::vector<std::shared_ptr<TEncoder>> TakeEncoders(DWORD handle);

void AddFx(HFX fx, DWORD channel);
DWORD FxOwner(HFX fx);
void RemoveFxOwner(HFX fx);

}  // namespace audio::detail
