// qor-lists: seal, unseal, package, import and verify QOR station lists.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "lists/ListFile.h"

using namespace qorlists;

namespace {

const char kHelp[] =
    "Usage: qor-lists [--password TEXT] COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  unseal INPUT [-o OUTPUT.xml]   list file (.rpf) or database package (.zip) to XML;\n"
    "                                 writes to standard output without -o\n"
    "  seal INPUT.xml -o OUTPUT.rpf   XML station list to a list file\n"
    "  package INPUT.xml [-d FOLDER]  writes broadcast.xml, broadcast.rpf and broadcast.zip\n"
    "                                 into FOLDER (default: the current folder)\n"
    "  import INPUT... -o OUTPUT      joins station lists (.xml, .rpf) and playlists\n"
    "                                 (.m3u, .m3u8, .pls) into OUTPUT (.xml or .rpf)\n"
    "         [--favourites]          keep station ids, as the favourites file does\n"
    "  verify INPUT                   checks magic, password, authentication, XML and\n"
    "                                 counts the stations\n"
    "\n"
    "Options:\n"
    "  --password TEXT  work on lists sealed with another password\n"
    "  -h, --help       show this text\n"
    "\n"
    "Exit codes: 0 success, 1 wrong usage, 2 input missing or unreadable,\n"
    "3 wrong password, 4 damaged or altered (authentication failed),\n"
    "5 not a station list, 6 output could not be written.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "qor-lists: %s\nTry 'qor-lists --help'.\n", message.c_str());
  return exUsage;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  options.Password = qor::ListFilePassword();
  std::string command;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)what;
      return argv[++i];
    };
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, stdout);
      return exOk;
    } else if (arg == "--password") {
      const char* v = value("password");
      if (!v) return UsageError("--password needs a value");
      options.Password = v;
    } else if (arg == "-o" || arg == "--output") {
      const char* v = value("output");
      if (!v) return UsageError(arg + " needs a file name");
      options.Output = v;
    } else if (arg == "-d" || arg == "--folder") {
      const char* v = value("folder");
      if (!v) return UsageError(arg + " needs a folder");
      options.Folder = v;
    } else if (arg == "--favourites") {
      options.Favourites = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (command.empty()) {
      command = arg;
    } else {
      options.Inputs.push_back(arg);
    }
  }
  if (command.empty()) return UsageError("no command given");
  if (options.Password.empty()) return UsageError("the password must not be empty");

  auto needInputs = [&](size_t count, bool exact) {
    return exact ? options.Inputs.size() == count : options.Inputs.size() >= count;
  };
  if (command == "unseal") {
    if (!needInputs(1, true)) return UsageError("unseal takes one input file");
    return Unseal(options);
  }
  if (command == "seal") {
    if (!needInputs(1, true)) return UsageError("seal takes one input file");
    if (options.Output.empty()) return UsageError("seal needs -o OUTPUT.rpf");
    return Seal(options);
  }
  if (command == "package") {
    if (!needInputs(1, true)) return UsageError("package takes one input file");
    return Package(options);
  }
  if (command == "import") {
    if (!needInputs(1, false)) return UsageError("import needs at least one input file");
    if (options.Output.empty()) return UsageError("import needs -o OUTPUT (.xml or .rpf)");
    return Import(options);
  }
  if (command == "verify") {
    if (!needInputs(1, true)) return UsageError("verify takes one input file");
    return Verify(options);
  }
  return UsageError("unknown command '" + command + "'");
}
