// The audio library of QOR: network and file streams, decoding, output,
// equalizer effects, spectrum data and the encoder feed. The calls, handle
// types, records, constants and error codes follow the classic streaming
// audio interface the player code was written against, without its prefix,
// so that the players read naturally: audio::StreamCreateURL(...).
//
// All functions may be called from any thread. A failing call returns 0
// (or -1 where a count is returned) and leaves its error code for
// ErrorGetCode on the calling thread; a successful call sets ERROR_OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace audio {

using DWORD = uint32_t;
using QWORD = uint64_t;
using BOOL = int;

using HSTREAM = DWORD;   // a stream (every channel here is a stream)
using HCHANNEL = DWORD;  // any channel handle
using HSYNC = DWORD;
using HFX = DWORD;
using HENCODE = DWORD;
using HPLUGIN = DWORD;

// ---------------------------------------------------------------------------
// Error codes (ErrorGetCode)
constexpr int ERROR_OK = 0;
constexpr int ERROR_MEM = 1;
constexpr int ERROR_FILEOPEN = 2;
constexpr int ERROR_DRIVER = 3;
constexpr int ERROR_HANDLE = 5;
constexpr int ERROR_FORMAT = 6;
constexpr int ERROR_INIT = 8;
constexpr int ERROR_START = 9;
constexpr int ERROR_SSL = 10;
constexpr int ERROR_ALREADY = 14;
constexpr int ERROR_NOTAUDIO = 17;
constexpr int ERROR_ILLTYPE = 19;
constexpr int ERROR_ILLPARAM = 20;
constexpr int ERROR_DEVICE = 23;
constexpr int ERROR_NOPLAY = 24;
constexpr int ERROR_NOTFILE = 27;
constexpr int ERROR_EMPTY = 31;
constexpr int ERROR_NONET = 32;
constexpr int ERROR_CREATE = 33;
constexpr int ERROR_NOFX = 34;
constexpr int ERROR_NOTAVAIL = 37;
constexpr int ERROR_DECODE = 38;
constexpr int ERROR_TIMEOUT = 40;
constexpr int ERROR_FILEFORM = 41;
constexpr int ERROR_CODEC = 44;
constexpr int ERROR_ENDED = 45;
constexpr int ERROR_BUSY = 46;
constexpr int ERROR_UNKNOWN = -1;

// ---------------------------------------------------------------------------
// Configuration (SetConfig / SetConfigPtr / GetConfig)
constexpr DWORD CONFIG_NET_TIMEOUT = 11;   // ms to wait for a server (default 5000)
constexpr DWORD CONFIG_NET_BUFFER = 12;    // download buffer length in ms (default 5000)
constexpr DWORD CONFIG_NET_PREBUF = 15;    // % of the buffer filled before StreamCreateURL returns (default 75)
constexpr DWORD CONFIG_NET_AGENT = 16;     // SetConfigPtr: user agent text
constexpr DWORD CONFIG_NET_PROXY = 17;     // SetConfigPtr: "[user:pass@]host:port", null or empty = direct
constexpr DWORD CONFIG_NET_PLAYLIST = 21;  // 0 = never follow playlists, 1 = in StreamCreateURL
// Beyond the classic set: how long (ms) a live stream whose connection
// dropped keeps trying to reconnect before it ends (default 30000, 0 = never).
constexpr DWORD CONFIG_NET_RECONNECT = 0x10800;

// ---------------------------------------------------------------------------
// Stream creation flags
constexpr DWORD SAMPLE_FLOAT = 0x100;         // StreamCreate: the pushed data is 32-bit float
constexpr DWORD STREAM_AUTOFREE = 0x40000;    // free the stream when it stops or ends
constexpr DWORD STREAM_BLOCK = 0x100000;      // download in small blocks (always so here)
constexpr DWORD STREAM_STATUS = 0x800000;     // pass the HTTP/ICY headers to the download procedure
constexpr DWORD UNICODE = 0x80000000;         // file names / command lines are UTF-16
constexpr DWORD STREAMPROC_END = 0x80000000;  // StreamPutData: the stream ends after this data

// Receives the raw bytes of a URL stream on the download thread. With
// STREAM_STATUS it first gets the header texts (as ChannelGetTags gives
// them) with length 0; at the end of the download it gets (nullptr, 0).
using DOWNLOADPROC = void(const void* buffer, DWORD length, void* user);
// Pull procedure of a user stream: fills up to `length` bytes, returns the
// count, optionally or-ed with STREAMPROC_END.
using STREAMPROC = DWORD(HSTREAM handle, void* buffer, DWORD length, void* user);
// The push variant of StreamCreate: data arrives through StreamPutData.
inline STREAMPROC* const STREAMPROC_PUSH = reinterpret_cast<STREAMPROC*>(static_cast<intptr_t>(-1));

// ---------------------------------------------------------------------------
// Channel state (ChannelIsActive)
constexpr DWORD ACTIVE_STOPPED = 0;
constexpr DWORD ACTIVE_PLAYING = 1;
constexpr DWORD ACTIVE_STALLED = 2;
constexpr DWORD ACTIVE_PAUSED = 3;

// Attributes
constexpr DWORD ATTRIB_FREQ = 1;
constexpr DWORD ATTRIB_VOL = 2;

// Channel types (CHANNELINFO::ctype)
constexpr DWORD CTYPE_STREAM = 0x1f200;  // user/push streams and codecs without a type of their own
constexpr DWORD CTYPE_STREAM_OGG = 0x10002;
constexpr DWORD CTYPE_STREAM_MP1 = 0x10003;
constexpr DWORD CTYPE_STREAM_MP2 = 0x10004;
constexpr DWORD CTYPE_STREAM_MP3 = 0x10005;
constexpr DWORD CTYPE_STREAM_AIFF = 0x10006;
constexpr DWORD CTYPE_STREAM_WMA = 0x10300;
constexpr DWORD CTYPE_STREAM_WMA_MP3 = 0x10301;
constexpr DWORD CTYPE_STREAM_FLAC = 0x10900;
constexpr DWORD CTYPE_STREAM_AAC = 0x10b00;
constexpr DWORD CTYPE_STREAM_MP4 = 0x10b01;
constexpr DWORD CTYPE_STREAM_AC3 = 0x11000;
constexpr DWORD CTYPE_STREAM_OPUS = 0x11200;
constexpr DWORD CTYPE_STREAM_WAV = 0x40000;

struct CHANNELINFO {
  DWORD freq;      // sample rate of the stream itself
  DWORD chans;     // channel count of the stream itself
  DWORD flags;     // creation flags
  DWORD ctype;     // CTYPE_*
  DWORD origres;   // original bits per sample, 0 when not known
  HPLUGIN plugin;  // 0
  DWORD sample;    // 0
  const char* filename;  // the file or address opened, valid while the stream lives
};

// Tags (ChannelGetTags). List tags are NUL-separated texts ending in an
// empty text; META is one text. The pointer stays valid while the stream lives.
constexpr DWORD TAG_OGG = 2;
constexpr DWORD TAG_HTTP = 3;
constexpr DWORD TAG_ICY = 4;
constexpr DWORD TAG_META = 5;
constexpr DWORD TAG_WMA = 8;
constexpr DWORD TAG_WMA_META = 11;

// Syncs (ChannelSetSync)
constexpr DWORD SYNC_END = 2;
constexpr DWORD SYNC_META = 4;
// The channel ran dry (data 0) or plays on after running dry (data 1);
// called on the output's thread.
constexpr DWORD SYNC_STALL = 6;
constexpr DWORD SYNC_WMA_META = 0x10101;
constexpr DWORD SYNC_ONETIME = 0x80000000;
using SYNCPROC = void(HSYNC handle, DWORD channel, DWORD data, void* user);

// File positions (StreamGetFilePosition); failure returns (QWORD)-1.
constexpr DWORD FILEPOS_CURRENT = 0;
constexpr DWORD FILEPOS_DOWNLOAD = 1;
constexpr DWORD FILEPOS_END = 2;
constexpr DWORD FILEPOS_START = 3;
constexpr DWORD FILEPOS_CONNECTED = 4;
constexpr DWORD FILEPOS_BUFFER = 5;
constexpr DWORD FILEPOS_WMA_BUFFER = 1000;

// Positions (ChannelGetPosition)
constexpr DWORD POS_BYTE = 0;
constexpr DWORD POS_DECODE = 0x10000000;

// ChannelGetData: a byte count of PCM (16-bit, or float with DATA_FLOAT),
// or an FFT request giving N/2 float magnitudes.
constexpr DWORD DATA_AVAILABLE = 0;
constexpr DWORD DATA_FLOAT = 0x40000000;
constexpr DWORD DATA_FFT256 = 0x80000000;
constexpr DWORD DATA_FFT512 = 0x80000001;
constexpr DWORD DATA_FFT1024 = 0x80000002;
constexpr DWORD DATA_FFT2048 = 0x80000003;
constexpr DWORD DATA_FFT4096 = 0x80000004;
constexpr DWORD DATA_FFT8192 = 0x80000005;
// Not in the original contract: an FFT request with DataFftBins(first,
// count) added computes and writes only the magnitudes of those bins
// (first below 4096, count below 512, both limited to the N/2 bins); the
// rest of the buffer keeps what it held. The answer is still N/2 floats.
// A display that shows a few bins saves the others' magnitudes.
constexpr DWORD DATA_FFT_BINS = 0x20000000;
constexpr DWORD DataFftBins(DWORD first, DWORD count) {
  return DATA_FFT_BINS | (first & 0xFFF) << 8 | (count & 0x1FF) << 20;
}

// Effects
constexpr DWORD FX_DX8_PARAMEQ = 7;
struct DX8_PARAMEQ {
  float fCenter;     // Hz
  float fBandwidth;  // semitones
  float fGain;       // dB
};

// Encoder (Encode_Start)
constexpr DWORD ENCODE_NOHEAD = 1;         // raw PCM, no WAV header
constexpr DWORD ENCODE_AUTOFREE = 0x40000; // stop the encoder when the channel is freed
// Receives what the encoder writes to its standard output (unused by QOR).
using ENCODEPROC = void(HENCODE handle, DWORD channel, const void* buffer, DWORD length, void* user);

// ---------------------------------------------------------------------------
// Library
// device: -1 the default output, 0 no sound (the same clock, nothing heard),
// n >= 1 the n-th output device.
BOOL Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
BOOL Free();
int ErrorGetCode();
// What lies behind the calling thread's last error, in a few English words
// ("HTTP 404", "connection refused", "redirect loop", "not audio", ...);
// empty when the library knows no more than the code. The codes stay those
// of the contract; this only names the cause.
const char* ErrorGetDetail();
BOOL SetConfig(DWORD option, DWORD value);
DWORD GetConfig(DWORD option);
BOOL SetConfigPtr(DWORD option, const void* value);

// Plug-ins: the formats they stood for are built in; loading records the name.
HPLUGIN PluginLoad(const char* file, DWORD flags);
BOOL PluginFree(HPLUGIN handle);  // 0 = all

// Streams
HSTREAM StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user);
// Not in the original contract: every StreamCreateURL still connecting on
// another thread gives up at once (it fails with ERROR_ENDED), so that a
// closing program does not wait for a silent server's time-out. Streams
// opened later connect as usual.
void CancelPendingOpens();
// mem must be false; file is a UTF-16 path with UNICODE, else UTF-8.
HSTREAM StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
HSTREAM StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user);
DWORD StreamPutData(HSTREAM handle, const void* buffer, DWORD length);
BOOL StreamFree(HSTREAM handle);
QWORD StreamGetFilePosition(HSTREAM handle, DWORD mode);

// Channels
BOOL ChannelPlay(DWORD handle, BOOL restart);
BOOL ChannelPause(DWORD handle);
BOOL ChannelStop(DWORD handle);
DWORD ChannelIsActive(DWORD handle);
BOOL ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);
BOOL ChannelGetInfo(DWORD handle, CHANNELINFO* info);
const char* ChannelGetTags(DWORD handle, DWORD tags);
QWORD ChannelGetPosition(DWORD handle, DWORD mode);
HSYNC ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
BOOL ChannelRemoveSync(DWORD handle, HSYNC sync);
DWORD ChannelGetData(DWORD handle, void* buffer, DWORD length);

// Effects
HFX ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL ChannelRemoveFX(DWORD handle, HFX fx);
BOOL FXSetParameters(HFX handle, const void* params);
BOOL FXGetParameters(HFX handle, void* params);

// Encoder feed: the command line is split into arguments by the usual
// quoting rules and run without a shell; it gets the channel's decoded
// 16-bit PCM (after effects, in the channel's own rate and layout) on its
// standard input. With UNICODE the command line is UTF-16.
HENCODE Encode_Start(DWORD handle, const void* cmdline, DWORD flags, ENCODEPROC* proc, void* user);
// Not in the original contract: the same with the arguments as they are,
// so that nothing is quoted only to be split again (UNICODE is ignored:
// the arguments are UTF-8).
HENCODE Encode_StartArgv(DWORD handle, const std::vector<std::string>& argv, DWORD flags, ENCODEPROC* proc,
                         void* user);
BOOL Encode_SetPaused(HENCODE handle, BOOL paused);
// Closes the encoder's input and waits (bounded) for it to finish its file.
BOOL Encode_Stop(DWORD handle);  // an encoder handle, or a channel: all its encoders
DWORD Encode_IsActive(DWORD handle);

}  // namespace audio
