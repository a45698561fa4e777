// Bodies of the fuzz targets, shared by the libFuzzer entry points and the
// unit test that runs them over garbage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace liststest {

// The first byte chooses: even, the rest is a list file as found on disk;
// odd, the rest is sealed first so that the XML behind a valid seal is
// reached too. Every reader must survive and leave a failed list alone.
int FuzzListFileReader(const uint8_t* data, size_t size);
// The rest is an XML list document, an M3U or a PLS playlist.
int FuzzXmlReader(const uint8_t* data, size_t size);

}  // namespace liststest
