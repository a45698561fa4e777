// Placeholder bodies while the library is being built: every call fails
// with ERROR_NOTAVAIL.
#include "audio/Audio.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace audio {
namespace {
thread_local int lastError = ERROR_OK;
}

BOOL Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL Free() { lastError = ERROR_NOTAVAIL; return 0; }
int ErrorGetCode() { return lastError; }
BOOL SetConfig(DWORD option, DWORD value) { lastError = ERROR_NOTAVAIL; return 0; }
DWORD GetConfig(DWORD option) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL SetConfigPtr(DWORD option, const void* value) { lastError = ERROR_NOTAVAIL; return 0; }
HPLUGIN PluginLoad(const char* file, DWORD flags) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL PluginFree(HPLUGIN handle) { lastError = ERROR_NOTAVAIL; return 0; }
HSTREAM StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user) { lastError = ERROR_NOTAVAIL; return 0; }
HSTREAM StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) { lastError = ERROR_NOTAVAIL; return 0; }
HSTREAM StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user) { lastError = ERROR_NOTAVAIL; return 0; }
DWORD StreamPutData(HSTREAM handle, const void* buffer, DWORD length) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL StreamFree(HSTREAM handle) { lastError = ERROR_NOTAVAIL; return 0; }
QWORD StreamGetFilePosition(HSTREAM handle, DWORD mode) { lastError = ERROR_NOTAVAIL; return static_cast<QWORD>(-1); }
BOOL ChannelPlay(DWORD handle, BOOL restart) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelPause(DWORD handle) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelStop(DWORD handle) { lastError = ERROR_NOTAVAIL; return 0; }
DWORD ChannelIsActive(DWORD handle) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelSetAttribute(DWORD handle, DWORD attrib, float value) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelGetInfo(DWORD handle, CHANNELINFO* info) { lastError = ERROR_NOTAVAIL; return 0; }
const char* ChannelGetTags(DWORD handle, DWORD tags) { lastError = ERROR_NOTAVAIL; return nullptr; }
QWORD ChannelGetPosition(DWORD handle, DWORD mode) { lastError = ERROR_NOTAVAIL; return static_cast<QWORD>(-1); }
HSYNC ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelRemoveSync(DWORD handle, HSYNC sync) { lastError = ERROR_NOTAVAIL; return 0; }
DWORD ChannelGetData(DWORD handle, void* buffer, DWORD length) { lastError = ERROR_NOTAVAIL; return 0; }
HFX ChannelSetFX(DWORD handle, DWORD type, int priority) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL ChannelRemoveFX(DWORD handle, HFX fx) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL FXSetParameters(HFX handle, const void* params) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL FXGetParameters(HFX handle, void* params) { lastError = ERROR_NOTAVAIL; return 0; }
HENCODE Encode_Start(DWORD handle, const void* cmdline, DWORD flags, ENCODEPROC* proc, void* user) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL Encode_SetPaused(HENCODE handle, BOOL paused) { lastError = ERROR_NOTAVAIL; return 0; }
BOOL Encode_Stop(DWORD handle) { lastError = ERROR_NOTAVAIL; return 0; }
DWORD Encode_IsActive(DWORD handle) { lastError = ERROR_NOTAVAIL; return 0; }
}  // namespace audio
