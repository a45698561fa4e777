// libFuzzer entry for the resolvers' JSON reader.
#include "ResolverFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzJsonReader(data, size); }
