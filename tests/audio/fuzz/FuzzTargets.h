// One entry point over the audio library's parsers of outside input, run by
// libFuzzer (clang builds) and by the normal suite over random input.
#pragma once

#include <cstddef>
#include <cstdint>

int FuzzAudioParsers(const uint8_t* data, size_t size);
