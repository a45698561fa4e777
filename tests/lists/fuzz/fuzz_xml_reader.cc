// libFuzzer entry point for the XML list reader and the playlist parsers.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return liststest::FuzzXmlReader(data, size);
}
