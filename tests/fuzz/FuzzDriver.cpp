// The plain driver of the fuzz targets for compilers without libFuzzer:
// every file given (or found in a given folder) runs through the target,
// then deterministic variations of each: cut short, bytes flipped, doubled.
// It cannot search like libFuzzer, but it keeps the targets building and
// their parsers facing broken input in every build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Run(const std::string& bytes) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void RunWithVariations(const std::string& seed, std::mt19937& random) {
  Run(seed);
  for (size_t cut = 0; cut < seed.size(); cut += 1 + seed.size() / 16) Run(seed.substr(0, cut));
  for (int i = 0; i < 64; ++i) {
    std::string changed = seed.empty() ? std::string(1 + random() % 64, '\0') : seed;
    for (int n = 0; n < 1 + i % 8; ++n) changed[random() % changed.size()] = static_cast<char>(random());
    Run(changed);
  }
  Run(seed + seed);
}

}  // namespace

int main(int argc, char** argv) {
  std::mt19937 random(20240601);
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.push_back(path);
    }
  }
  RunWithVariations({}, random);
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 2;
    }
    RunWithVariations(std::string(std::istreambuf_iterator<char>(in), {}), random);
  }
  std::printf("%zu seeds ran\n", files.size());
  return 0;
}
