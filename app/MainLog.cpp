#include "app/MainLog.h"

namespace app {

TMainLog::TMainLog(std::string path) : FPath(std::move(path)) { FFile = std::fopen(FPath.c_str(), "ae"); }

TMainLog::~TMainLog() {
  if (FFile) {
    std::fflush(FFile);
    std::fclose(FFile);
  }
}

}  // namespace app
