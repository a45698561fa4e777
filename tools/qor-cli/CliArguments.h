// The command line of qor-cli.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class TCommand { Help, Play, Record, Search };

struct TArguments {
  TCommand Command = TCommand::Help;
  std::string Target;          // station name, address or search text
  int Seconds = -1;            // play: stop after this long (-1: until Ctrl+C)
  int DurationSeconds = -1;    // record: required
  std::string Folder;          // record: where the file goes (empty: options)
  int Format = -1;             // record: recorder format index, RawFormat, or -1 (options)
  bool NoSound = false;
};

inline constexpr int RawFormat = 100;

// False with a message for the user when the arguments make no sense.
bool ParseArguments(const std::vector<std::string>& args, TArguments& out, std::string& error);
// "HH:MM:SS" (also "MM:SS" or plain seconds); -1 when not a duration.
int ParseDuration(const std::string& text);
// The recorder format index of a format word; RawFormat for "raw"; -1 unknown.
int FormatIndex(const std::string& word);

const char* HelpText();

}  // namespace cli
