// What the toolkit needs to know of the program that uses it, given by the
// program at start: where its skin and icon images lie in its GResource
// bundle, and (through GLib's g_set_prgname and g_set_application_name)
// the id and name it shows to the desktop for the tray item and
// notifications. The toolkit names no program of its own.
#pragma once

#include <string>

namespace widgets {

// The resource path under which "skin/<id>.png" and "icons/<id>-<size>.png"
// lie, e.g. "/org/example/player"; empty (the default): no skin images.
void SetResourceBase(std::string base);
const std::string& ResourceBase();

// GLib's application name and program name ("" when unset).
std::string ProgramName();
std::string ProgramId();

}  // namespace widgets
