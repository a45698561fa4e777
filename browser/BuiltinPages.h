// The pages built into the program, served to the web view under the
// "qor" scheme when no vendor host is configured: home, station search and
// about, their style sheet and script, and the search answers
// ("qor://pages/stations?q=...", JSON) from the built-in station database.
#pragma once

#include <string>
#include <vector>

#include "browser/WebSession.h"

typedef struct _WebKitURISchemeRequest WebKitURISchemeRequest;

namespace browser {

// At most this many hits go back to the search page.
inline constexpr size_t MaxStationHits = 100;

// The bytes and MIME type of a built-in file ("/find.html"); false when
// there is none.
bool BuiltinFile(const std::string& path, std::string& bytes, std::string& mime);
// The hits as a JSON array of {key, name, url}; the address is given in the
// encoded form that Listen and AddList take.
std::string StationsJson(const std::vector<TStationHit>& hits);
// The query text of "stations?q=..." (form-encoded UTF-8).
std::u16string SearchQuery(const std::string& address);

void ServeBuiltinPage(WebKitURISchemeRequest* request, const TStationFinder& finder);

}  // namespace browser
