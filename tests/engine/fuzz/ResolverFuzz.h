// Bodies of the resolver fuzz targets, shared by the libFuzzer entry points
// (*.cc, clang only) and the garbage-input tests of the normal suite.
#pragma once

#include <cstddef>
#include <cstdint>

// Parses the bytes as JSON and walks every path the resolvers read.
int FuzzJsonReader(const uint8_t* data, size_t size);
// Decodes the bytes with both URL decoders and splits them as an address.
int FuzzUrlDecoder(const uint8_t* data, size_t size);
