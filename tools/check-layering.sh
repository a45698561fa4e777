#!/usr/bin/env bash
# The engine-side libraries must not depend on the toolkit's painting or on
# GTK: they run headless and are tested without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0

# Prints the offending include lines and marks the run failed.
fail() {
  echo "Layering violation: $1:"
  echo "$2"
  status=1
}

bad=$(grep -rnE '#include\s*[<"](gtk/|gdk/|cairo|pango|widgets/(gtk|paint|controls|tray)/)' \
        support lists audio engine core 2>/dev/null || true)
[[ -z "$bad" ]] || fail "engine-side code includes toolkit or painting headers" "$bad"

# The toolkit knows nothing of stations, audio, the engine or the player's
# own controls.
bad=$(grep -rnE '#include\s*[<"](lists|audio|engine|ui)/' widgets 2>/dev/null || true)
[[ -z "$bad" ]] || fail "the toolkit includes station, audio, engine or player-window headers" "$bad"

# The player window's controls sit on top: nothing below reaches up to them.
bad=$(grep -rnE '#include\s*[<"]ui/' support lists audio engine 2>/dev/null || true)
[[ -z "$bad" ]] || fail "engine-side code includes player-window headers" "$bad"

# qor-cli is what a recording server runs: it must not need the toolkit.
# (libX11 may still arrive through SDL2's build, or the system's FFmpeg
# when it is used, never through our own link lines.)
cli="${QOR_BUILD_DIR:-build}/tools/qor-cli/qor-cli"
if [[ -x "$cli" ]]; then
  bad=$( (ldd "$cli" | grep -E 'lib(gtk|gdk)-3|webkit|javascriptcore'; readelf -d "$cli" | grep NEEDED | grep -E 'gtk|gdk|X11|cairo|pango|webkit') || true)
  [[ -z "$bad" ]] || fail "qor-cli links desktop libraries" "$bad"
fi

# The player loads WebKit with its first page (the browser module), never
# at start.
qor="${QOR_BUILD_DIR:-build}/app/qor"
if [[ -x "$qor" ]]; then
  bad=$(readelf -d "$qor" | grep NEEDED | grep -E 'webkit|javascriptcore' || true)
  [[ -z "$bad" ]] || fail "qor links WebKit instead of loading the browser module" "$bad"
fi

# Built with FFmpeg and libcurl of its own, neither program needs the
# system's (with their 80 libraries of codecs, LDAP, SSH and GnuTLS).
cache="${QOR_BUILD_DIR:-build}/CMakeCache.txt"
for pair in QOR_OWN_FFMPEG:'libav(codec|format|util)|libswresample' QOR_OWN_CURL:'libcurl'; do
  option=${pair%%:*} pattern=${pair#*:}
  grep -qs "^$option:BOOL=ON" "$cache" || continue
  for program in "$qor" "$cli"; do
    [[ -x "$program" ]] || continue
    bad=$(ldd "$program" | grep -E "$pattern" || true)
    [[ -z "$bad" ]] || fail "$(basename "$program") loads the system's library although $option is on" "$bad"
  done
done

# The program exports what the browser module takes from it, not all of
# its symbols (their tables are read at every start). The linker adds the
# library instantiations that shared libraries could interpose, and main.
module="${QOR_BUILD_DIR:-build}/app/libqor-browser.so"
if [[ -x "$qor" && -f "$module" ]]; then
  bad=$(comm -23 <(nm -D --defined-only "$qor" | awk '{print $3}' | sort -u) \
                 <(nm -D "$module" | awk '{print $NF}' | sed 's/@.*//' | sort -u) |
        grep -vE '^(_Z+N?K?St|main$)' | head -5 || true)
  [[ -z "$bad" ]] || fail "qor exports symbols the browser module does not take" "$bad"
fi

# The whole order, from the includes and the link lines of every folder.
python3 tools/check-layering.py || status=1

[[ $status -eq 0 ]] && echo "layering: ok"
exit $status
