#include "support/CommandLine.h"

namespace cmdline {

namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string word;
    bool doubleQuoted = false;
    while (i < n && (doubleQuoted || !IsBlank(line[i]))) {
      const char c = line[i];
      if (c == '\\') {
        std::size_t count = 0;
        while (i < n && line[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < n && line[i] == '"') {
          word.append(count / 2, '\\');
          if (count % 2) {
            word.push_back('"');
            ++i;
          }
          // An even count leaves the quote to open or close below.
        } else {
          word.append(count, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (doubleQuoted && i + 1 < n && line[i + 1] == '"') {
          word.push_back('"');
          i += 2;
          continue;
        }
        doubleQuoted = !doubleQuoted;
        ++i;
        continue;
      }
      if (c == '\'' && !doubleQuoted) {
        const std::size_t close = line.find('\'', i + 1);
        const std::size_t end = close == std::string_view::npos ? n : close;
        word.append(line.substr(i + 1, end - i - 1));
        i = close == std::string_view::npos ? n : close + 1;
        continue;
      }
      word.push_back(c);
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string Quote(std::string_view word, bool always) {
  bool plain = !word.empty() && !always;
  for (char c : word)
    if (IsBlank(c) || c == '"' || c == '\'') plain = false;
  if (plain) return std::string(word);
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: there each needs its pair.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

std::string Join(const std::vector<std::string>& words) {
  std::string line;
  for (const auto& word : words) {
    if (!line.empty()) line.push_back(' ');
    line += Quote(word);
  }
  return line;
}

}  // namespace cmdline
