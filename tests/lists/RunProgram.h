// Runs a program with an argument vector (no shell) and collects its output
// and exit code, for tests that drive command-line programs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace liststest {

struct TRunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

TRunResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {});
// Full path of a program on PATH, empty when absent.
std::string FindOnPath(const std::string& name);

}  // namespace liststest
