// Channel control, queries, syncs, effects and the encoder feed.
#include <cstring>

#include "audio/Audio.h"
#include "audio/internal/Channel.h"
#include "audio/internal/Core.h"
#include "audio/internal/Encoder.h"
#include "audio/internal/Registry.h"
#include "audio/internal/UserStream.h"
#include "support/CommandLine.h"
#include "support/Encoding.h"

namespace audio {

using namespace detail;

namespace {

std::shared_ptr<TChannel> Channel(DWORD handle) {
  auto channel = FindChannel(handle);
  if (!channel) SetError(ERROR_HANDLE);
  return channel;
}

}  // namespace

BOOL ChannelPlay(DWORD handle, BOOL restart) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (!channel->Play(restart != 0)) return 0;
  WakeOutput();
  SetError(ERROR_OK);
  return 1;
}

BOOL ChannelPause(DWORD handle) {
  auto channel = Channel(handle);
  if (!channel || !channel->Pause()) return 0;
  SetError(ERROR_OK);
  return 1;
}

BOOL ChannelStop(DWORD handle) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  channel->Stop();
  if (auto* user = dynamic_cast<TUserStream*>(channel.get()); user && user->IsPush()) channel->ClearQueue();
  if (channel->flags & STREAM_AUTOFREE) FreeChannel(handle);
  SetError(ERROR_OK);
  return 1;
}

DWORD ChannelIsActive(DWORD handle) {
  auto channel = Channel(handle);
  if (!channel) return ACTIVE_STOPPED;
  SetError(ERROR_OK);
  return channel->IsActive();
}

BOOL ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (attrib != ATTRIB_VOL) {
    SetError(ERROR_ILLTYPE);
    return 0;
  }
  if (!(value >= 0.0f)) value = 0.0f;  // also NaN
  channel->volume = std::min(value, 1.0f);
  SetError(ERROR_OK);
  return 1;
}

BOOL ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (!value) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  if (attrib == ATTRIB_VOL) *value = channel->volume.load();
  else if (attrib == ATTRIB_FREQ) *value = static_cast<float>(channel->freq);
  else {
    SetError(ERROR_ILLTYPE);
    return 0;
  }
  SetError(ERROR_OK);
  return 1;
}

BOOL ChannelGetInfo(DWORD handle, CHANNELINFO* info) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (!info) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  std::memset(info, 0, sizeof *info);
  info->freq = static_cast<DWORD>(channel->freq);
  info->chans = static_cast<DWORD>(channel->chans);
  info->flags = channel->flags;
  info->ctype = channel->ctype;
  info->origres = channel->origres;
  // The channel keeps the text for as long as it lives.
  info->filename = channel->filename.empty() ? nullptr : channel->filename.c_str();
  SetError(ERROR_OK);
  return 1;
}

const char* ChannelGetTags(DWORD handle, DWORD tags) {
  auto channel = Channel(handle);
  if (!channel) return nullptr;
  SetError(ERROR_OK);
  return channel->Tags(tags);
}

QWORD ChannelGetPosition(DWORD handle, DWORD mode) {
  auto channel = Channel(handle);
  if (!channel) return static_cast<QWORD>(-1);
  SetError(ERROR_OK);
  return channel->Position(mode & ~POS_DECODE);
}

HSYNC ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  const DWORD kind = type & ~SYNC_ONETIME;
  if (kind != SYNC_META && kind != SYNC_END && kind != SYNC_STALL && kind != SYNC_WMA_META) {
    SetError(ERROR_ILLTYPE);
    return 0;
  }
  if (!proc) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  SetError(ERROR_OK);
  return channel->AddSync(type, param, proc, user);
}

BOOL ChannelRemoveSync(DWORD handle, HSYNC sync) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (!channel->RemoveSync(sync)) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  SetError(ERROR_OK);
  return 1;
}

DWORD ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  auto channel = Channel(handle);
  if (!channel) return static_cast<DWORD>(-1);
  SetError(ERROR_OK);
  return channel->GetData(buffer, length);
}

HFX ChannelSetFX(DWORD handle, DWORD type, int priority) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  HFX fx = channel->AddFx(type, priority);
  if (!fx) return 0;
  AddFx(fx, handle);
  SetError(ERROR_OK);
  return fx;
}

BOOL ChannelRemoveFX(DWORD handle, HFX fx) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (!channel->RemoveFx(fx)) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  RemoveFxOwner(fx);
  SetError(ERROR_OK);
  return 1;
}

BOOL FXSetParameters(HFX handle, const void* params) {
  auto channel = FindChannel(FxOwner(handle));
  if (!channel || !channel->HasFx(handle)) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  if (!params) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  DX8_PARAMEQ eq;
  std::memcpy(&eq, params, sizeof eq);
  channel->SetFxParams(handle, eq);
  SetError(ERROR_OK);
  return 1;
}

BOOL FXGetParameters(HFX handle, void* params) {
  auto channel = FindChannel(FxOwner(handle));
  DX8_PARAMEQ eq;
  if (!channel || !channel->GetFxParams(handle, eq)) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  if (!params) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  std::memcpy(params, &eq, sizeof eq);
  SetError(ERROR_OK);
  return 1;
}

HENCODE Encode_Start(DWORD handle, const void* cmdline, DWORD flags, ENCODEPROC* proc, void* user) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (!cmdline) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  std::string line;
  if (flags & UNICODE) {
    const auto* p = static_cast<const char16_t*>(cmdline);
    size_t n = 0;
    while (n < 32768 && p[n]) ++n;
    line = enc::Utf16ToUtf8(std::u16string_view(p, n));
  } else {
    const auto* p = static_cast<const char*>(cmdline);
    line.assign(p, std::find(p, p + 65536, '\0'));
  }
  return Encode_StartArgv(handle, cmdline::Split(line), flags, proc, user);
}

HENCODE Encode_StartArgv(DWORD handle, const std::vector<std::string>& argv, DWORD flags, ENCODEPROC* proc,
                         void* user) {
  auto channel = Channel(handle);
  if (!channel) return 0;
  if (argv.empty() || argv.front().empty()) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  auto encoder = std::make_shared<TEncoder>(NewHandle(), handle, flags, proc, user);
  if (!encoder->Start(argv, channel->freq, channel->chans)) return 0;
  AddEncoder(encoder);
  channel->AttachEncoder(encoder);
  SetError(ERROR_OK);
  return encoder->Handle();
}

BOOL Encode_SetPaused(HENCODE handle, BOOL paused) {
  auto encoder = FindEncoder(handle);
  if (!encoder) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  encoder->SetPaused(paused != 0);
  SetError(ERROR_OK);
  return 1;
}

BOOL Encode_Stop(DWORD handle) {
  auto encoders = TakeEncoders(handle);
  if (encoders.empty()) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  for (auto& encoder : encoders) {
    if (auto channel = FindChannel(encoder->Channel())) channel->DetachEncoder(encoder->Handle());
    encoder->Stop(10000);
  }
  SetError(ERROR_OK);
  return 1;
}

DWORD Encode_IsActive(DWORD handle) {
  auto encoder = FindEncoder(handle);
  if (!encoder) {
    SetError(ERROR_HANDLE);
    return ACTIVE_STOPPED;
  }
  SetError(ERROR_OK);
  return encoder->State();
}

}  // namespace audio
