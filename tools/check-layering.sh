#!/usr/bin/env bash
# The engine-side libraries must not depend on the toolkit's painting or on
# GTK: they run headless and are tested without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=$(grep -rnE '#include\s*[<"](gtk/|gdk/|cairo|pango|widgets/(gtk|paint|controls|tray)/)' \
        support lists audio engine core 2>/dev/null || true)
if [[ -n "$bad" ]]; then
  echo "Layering violation: engine-side code includes toolkit or painting headers:"
  echo "$bad"
  exit 1
fi
echo "layering: ok"
