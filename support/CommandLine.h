// Command lines as words: the one quoting rule of every command line the
// program splits (encoder command lines, TProcess::SetCommandLine) and its
// inverse, so that an argument vector survives being written as one line.
//
// Splitting:
// - blanks (space, tab, CR, LF) separate words outside quotes;
// - double quotes open and close a quoted part; inside one, two double
//   quotes give one literal quote;
// - 2n backslashes before a double quote give n backslashes and the quote
//   opens or closes; 2n+1 give n backslashes and a literal quote; other
//   backslashes are literal (so "C:\dir\file" stays as it is);
// - single quotes open a part that runs literally to the next single
//   quote (a shell's rule, so "sh -c 'a; b'" gives the script whole);
//   inside double quotes a single quote is an ordinary character;
// - quoted parts join the word around them ("-i="a b"" is -i=a b), an
//   empty pair is an empty word, an unclosed quote runs to the end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

std::vector<std::string> Split(std::string_view line);

// One word written so that Split gives it back unchanged: as it is when it
// needs no quoting (unless `always`), else in double quotes with quotes and
// the backslashes before them escaped.
std::string Quote(std::string_view word, bool always = false);
// The words joined by blanks, each through Quote.
std::string Join(const std::vector<std::string>& words);

}  // namespace cmdline
