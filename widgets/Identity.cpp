#include "widgets/Identity.h"

#include <glib.h>

namespace widgets {

namespace {

std::string& Base() {
  static std::string base;
  return base;
}

}  // namespace

void SetResourceBase(std::string base) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  Base() = std::move(base);
}

const std::string& ResourceBase() { return Base(); }

std::string ProgramName() {
  const char* name = g_get_application_name();
  return name ? name : "";
}

std::string ProgramId() {
  const char* name = g_get_prgname();
  return name ? name : "";
}

}  // namespace widgets
