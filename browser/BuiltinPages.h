// The pages built into the program, served to the web view under the
// "qor" scheme when no vendor host is configured: home, station search and
// about, their style sheet and script, and the search answers
// ("qor://pages/stations?q=...", JSON) from the built-in station database.
#pragma once

#include <string>
#include <vector>

#include "browser/WebSession.h"

typedef struct _WebKitURISchemeRequest WebKitURISchemeRequest;
typedef struct _GError GError;

namespace browser {

// The bytes and MIME type of a built-in file ("/find.html"); false when
// there is none.
bool BuiltinFile(const std::string& path, std::string& bytes, std::string& mime);
// The hits as a JSON array of {key, name, url}; the address is given in the
// encoded form that Listen and AddList take.
std::string StationsJson(const std::vector<TStationHit>& hits);
// The query text of "stations?q=..." (form-encoded UTF-8).
std::u16string SearchQuery(const std::string& address);

// The page shown in place of one that could not be loaded (no answer from
// the host, a name that does not resolve): what went wrong in Turkish, the
// address and a retry button. Empty for failures that are no error to the
// user (a load that was stopped or replaced by another).
std::string LoadErrorPage(const std::string& address, const GError* error);

void ServeBuiltinPage(WebKitURISchemeRequest* request, const TStationFinder& finder);

}  // namespace browser
