// Runs the fuzz bodies over random and hand-made garbage so that the
// normal suite exercises them too.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fuzz/ResolverFuzz.h"

namespace {

std::vector<std::string> Inputs(const std::string& alphabet, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> inputs = {"", "%", "%%", "%4", "%zz", "{", "[", "\"", "{'a':", "\\u", "\\ud800",
                                     std::string(3000, '['), std::string(3000, '{') + "a:",
                                     "http://h:99999/", "x://", "a:b", std::string("\0\xff\xfe", 3)};
  for (int i = 0; i < 400; ++i) {
    std::string s(rng() % 200, '\0');
    for (char& c : s) c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    inputs.push_back(std::move(s));
  }
  return inputs;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(ResolverFuzz, JsonReaderSurvivesGarbage) {
  for (const auto& input : Inputs("{}[]:,\"'\\/*aeflnrstu0123456789.-+ \n", 11))
    EXPECT_EQ(FuzzJsonReader(Bytes(input), input.size()), 0);
}

TEST(ResolverFuzz, UrlDecoderSurvivesGarbage) {
  for (const auto& input : Inputs("%+0123456789abcdefABCDEFGz:/?#@[]&=, ", 12))
    EXPECT_EQ(FuzzUrlDecoder(Bytes(input), input.size()), 0);
}

}  // namespace
