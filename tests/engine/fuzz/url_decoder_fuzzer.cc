// libFuzzer entry for the URL decoders and the address splitter.
#include "ResolverFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzUrlDecoder(data, size); }
