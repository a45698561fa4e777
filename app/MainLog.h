// The log file "qor.log" that "-enablelog" opens in the settings folder.
// It is created (or kept) and left as it is: nothing writes lines into it.
#pragma once

#include <cstdio>
#include <string>

namespace app {

class TMainLog {
 public:
  // Opens for appending, creating the file when it does not exist.
  explicit TMainLog(std::string path);
  ~TMainLog();
  TMainLog(const TMainLog&) = delete;
  TMainLog& operator=(const TMainLog&) = delete;

  const std::string& Path() const { return FPath; }
  bool IsOpen() const { return FFile != nullptr; }

 private:
  std::string FPath;
  std::FILE* FFile = nullptr;
};

}  // namespace app
