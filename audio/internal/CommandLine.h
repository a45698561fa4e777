// Splits a command line into arguments by the quoting rules that encoder
// command lines are written in: blanks separate arguments outside double
// quotes; 2n backslashes before a quote give n backslashes and the quote
// opens or closes a quoted part; 2n+1 backslashes before a quote give n
// backslashes and a literal quote; two quotes inside a quoted part give one
// literal quote; other backslashes are literal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace audio::detail {

std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace audio::detail
