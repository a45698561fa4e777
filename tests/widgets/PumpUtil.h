// Waiting helpers for toolkit tests: pump the user-interface loop until a
// condition holds, with a generous upper bound so that a fault fails the
// test instead of hanging it.
#pragma once

#include <glib.h>

#include <functional>

#include "widgets/core/Messages.h"

namespace testwidgets {

inline bool PumpUntil(const std::function<bool()>& done, int maxMs = 10000) {
  widgets::ProcessMessages();
  // A short repeating wake-up so the blocking iteration re-checks `done`.
  guint wake = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  gint64 deadline = g_get_monotonic_time() + gint64(maxMs) * 1000;
  bool ok = done();
  while (!ok && g_get_monotonic_time() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    ok = done();
  }
  g_source_remove(wake);
  return ok;
}

}  // namespace testwidgets
