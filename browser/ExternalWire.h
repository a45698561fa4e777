// What the web process and the player say to each other about the page
// script object: frames on the private socket and the origin rule. Used by
// both sides (the web extension links it too), so it needs GLib only.
//
// Every frame is a 4-byte little-endian length and a serialized GVariant.
// A request is (token, page address, operation, member name, arguments);
// the operations are "lookup" (does the member exist, and is it a method
// or a property), "call" and "get". A reply is (ok, value, error text).
#pragma once

#include <glib.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace browser {

inline constexpr const char* RequestType = "(ssssav)";
inline constexpr const char* ReplyType = "(bvs)";
// Pages pass short texts; anything longer is a fault, never a reason to
// allocate.
inline constexpr std::uint32_t MaxFrameBytes = 1u << 20;

// Member kinds a lookup answers with.
inline constexpr std::int32_t mkNone = 0, mkMethod = 1, mkProperty = 2;

// Length prefix and the variant's bytes.
std::string Frame(GVariant* value);
// Takes one complete frame of the given type off the front of `buffer`.
// Returns 1 with *value set (floating reference sunk: the caller unrefs),
// 0 when more bytes are needed, -1 when the bytes are no such frame (the
// connection must then be dropped).
int TakeFrame(std::string& buffer, const char* type, GVariant** value);

// "scheme://host[:port]" in lower case, the default port of http and https
// left out; empty when the address has no host.
std::string OriginOf(std::string_view address);

}  // namespace browser
