// Fuzz entry (libFuzzer with clang, the plain driver otherwise): the audio
// library's parsers.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzAudioParsers(data, size); }
