// HTTP helpers shared by the stream resolvers. All of them block the
// calling worker thread and go through the process-wide internet handle.
#pragma once

#include <string>

#include "support/HttpSession.h"
#include "support/Request.h"

inline constexpr const char* kResolverUserAgent = "Mozilla/5.0 (Windows NT 5.1) Gecko/20100101 Firefox/17.0";

// The agent text followed by the vendor's domain in parentheses (just the
// agent text when no vendor domain is configured).
std::string ResolverUserAgentWithVendor();

// A plain GET whose body counts only when the exchange completed with
// status 200 and a non-empty body; otherwise the empty text.
std::string ResolverGetOk(const std::string& address);
