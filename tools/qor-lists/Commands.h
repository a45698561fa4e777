// The sub-commands of qor-lists. Each returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace qorlists {

enum TExitCode {
  exOk = 0,
  exUsage = 1,
  exCannotRead = 2,
  exWrongPassword = 3,
  exNotAuthentic = 4,
  exNotAList = 5,
  exCannotWrite = 6,
};

struct TOptions {
  std::string Password;
  std::string Output;
  std::string Folder;
  bool Favourites = false;
  std::vector<std::string> Inputs;
};

int Unseal(const TOptions& options);
int Seal(const TOptions& options);
int Package(const TOptions& options);
int Import(const TOptions& options);
int Verify(const TOptions& options);

}  // namespace qorlists
