#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: the desktop entry and the
# AppStream file validate, every icon is where the theme looks and of its
# size, and the programs find their built-in resources from a prefix they
# were moved to after installation.
set -euo pipefail
build=$1
. "$(dirname "$0")/need.sh"
need cmake desktop-file-validate appstreamcli flock
tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
share=$tmp/prefix/share
desktop-file-validate "$share/applications/qor.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$share/metainfo/org.kelvarin.qor.metainfo.xml" || fail "metainfo"
grep -q '<release version="[0-9]' "$share/metainfo/org.kelvarin.qor.metainfo.xml" || fail "release version"
icon=$(sed -n 's/^Icon=//p' "$share/applications/qor.desktop")
for size in 16 22 24 32 48 64 128 256; do
  for name in qor-android qor-klasik; do
    png=$share/icons/hicolor/${size}x${size}/apps/$name.png
    [[ -f $png ]] || fail "missing $png"
    # Width and height are the big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [[ $dims == "${size}x${size}" ]] || fail "$png is $dims"
  done
  [[ -f $share/icons/hicolor/${size}x${size}/apps/$icon.png ]] || fail "desktop icon $icon at $size"
done
for file in doc/qor/copyright doc/qor/LICENSE doc/qor/README.md mime/packages/qor.xml man/man1/qor.1 man/man1/qor-cli.1; do
  [[ -f $share/$file ]] || fail "missing share/$file"
done

# Installed anywhere: move the tree, then run from its new place with empty
# settings. The built-in lists come out of the executables themselves.
mv "$tmp/prefix" "$tmp/moved"
bin=$tmp/moved/bin
export XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run SDL_AUDIODRIVER=dummy
mkdir -m 700 "$XDG_RUNTIME_DIR"
found=$("$bin/qor-cli" search "Kral FM") || fail "qor-cli search"
[[ $found == *"Kral FM"* ]] || fail "qor-cli found no built-in station: $found"
settings=$XDG_CONFIG_HOME/Kelvarin/QOR
rm -rf "$settings"
mkdir -p "$settings"
# No station starts by itself: the test stays off the network.
printf '[player]\nautoplay=0\n' > "$settings/options.ini"
# Its window goes to the display the other tests share: it waits for its
# turn there as they do (the tests' display lock, held by the program too),
# or a test looking for player windows of other programs finds this one.
if [[ -n ${DISPLAY:-} ]]; then
  exec 9>"/tmp/qor-display-${DISPLAY//[^[:alnum:]]/_}-$(id -u).lock"
  flock -w 90 9 || echo "the display $DISPLAY is still taken after 90 s; going on" >&2
fi
"$bin/qor" > "$tmp/qor.out" 2>&1 &
pids+=($!)
for _ in $(seq 1 600); do
  [[ -f $settings/playlist.rpf && -f $settings/broadcast.rpf ]] && ls "$XDG_RUNTIME_DIR"/QOR/QORClass.* >/dev/null 2>&1 && break
  kill -0 "${pids[0]}" 2>/dev/null || { cat "$tmp/qor.out"; fail "qor ended early"; }
  sleep 0.1
done
[[ -f $settings/playlist.rpf ]] || fail "qor did not write its built-in favourites"
head -c 6 "$settings/broadcast.rpf" | grep -q '^QORPLF$' || fail "broadcast.rpf is not a sealed list"
"$bin/qor" -quit || fail "qor -quit"
wait "${pids[0]}" || fail "qor exited with $?"
pids=()
exec 9>&-
echo "installed files and a moved installation: ok"
