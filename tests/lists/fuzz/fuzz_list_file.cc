// libFuzzer entry point for the list-file readers.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return liststest::FuzzListFileReader(data, size);
}
