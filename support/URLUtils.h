// Splitting an address into its parts and form-style URL encoding. These
// work on byte strings; callers convert wide texts to UTF-8 first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct TURLComponentStrings {
  std::string Scheme;     // as written, without "://"
  std::string HostName;   // without user, password and port
  std::string URLPath;    // starts with "/" when present
  std::string ExtraInfo;  // query and fragment, starting with "?" or "#"
};

// Splits an address the way the old platform cracker did: the scheme is
// required, network addresses ("//" after the scheme, except "file") need a
// host, a port must be numeric, and a part longer than the cracker's buffers
// (scheme 31, host 255, user and password 127, path 2047, extra 2054 bytes)
// fails the whole split. On failure `parts` is left untouched. `port`, when
// given, receives the port written in the address or 0 when none was.
bool SplitURL(std::string_view address, TURLComponentStrings& parts, int* port = nullptr);

// Form-style encoding: unreserved bytes copied, space to "+", the rest as
// "%XX" with upper-case hexadecimal digits.
std::string URLEncode(std::string_view text);

// Outcome of a checked decode: where and why decoding stopped.
enum class TURLDecodeError { None, Truncated, BadHex };

struct TURLDecodeResult {
  std::string Text;                       // what was decoded before the fault
  TURLDecodeError Error = TURLDecodeError::None;
  std::size_t Position = 0;               // index just after the faulty "%"
};

// Shared walk of both decoders: "+" to space, "%%" to "%", "%XY" to a byte.
// Stops at the first "%" with fewer than two characters after it or with two
// characters that are not hexadecimal digits.
TURLDecodeResult URLDecodeChecked(std::string_view text);

// The lenient decoder: on a fault, keeps what was decoded before the "%".
std::string URLDecode(std::string_view text);

// The address of a local file ("/music/a.mp3" -> "file:///music/a.mp3"),
// which must lead back to this very file: a path that is not UTF-8 keeps
// its bytes escaped as "%XX" (the address stays text in the list files),
// and "?" and "#", which would end the path, are escaped. Where anything is
// escaped the reader decodes the whole path, so "%" and "+" are escaped
// as well; any other path is kept as it is.
std::string FileAddress(std::string_view path);
