#!/usr/bin/env bash
# The Debian package: built from the tree by tools/make-deb.sh, it holds the
# installed layout under /usr, depends on the libraries the programs link
# and on ffmpeg, recommends yt-dlp, and lintian finds no error in it.
set -euo pipefail
build=$1 src=$2
. "$(dirname "$0")/need.sh"
need dpkg-deb dpkg-shlibdeps lintian
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

deb=$("$src/tools/make-deb.sh" "$build" "$tmp") || fail "make-deb.sh"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ $(basename "$deb") == "qor_${version}_$(dpkg --print-architecture).deb" ]] || fail "package name $deb"
dpkg-deb -c "$deb" > "$tmp/contents"
for path in usr/bin/qor usr/bin/qor-cli usr/share/applications/qor.desktop \
  usr/share/mime/packages/qor.xml usr/share/metainfo/org.kelvarin.qor.metainfo.xml \
  usr/share/icons/hicolor/16x16/apps/qor-android.png usr/share/icons/hicolor/256x256/apps/qor-klasik.png \
  usr/share/doc/qor/copyright usr/share/doc/qor/changelog.gz usr/share/man/man1/qor.1.gz; do
  grep -q " \./$path\$" "$tmp/contents" || fail "$path is not in the package"
done
! grep -q ' \./usr/share/doc/qor/LICENSE$' "$tmp/contents" || fail "second licence copy in the package"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libgtk-3-0 libsdl2 libc6 ffmpeg; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
# FFmpeg's libraries and libcurl are linked in unless the build used the
# system's; then the package needs those.
own() { grep -q "^$1:BOOL=ON" "$build/CMakeCache.txt"; }
for pair in QOR_OWN_FFMPEG:libavcodec QOR_OWN_CURL:libcurl4; do
  option=${pair%%:*} lib=${pair#*:}
  if own "$option"; then
    [[ $depends != *"$lib"* ]] || fail "Depends has $lib although it is linked in: $depends"
  else
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
  fi
done
[[ $(dpkg-deb -f "$deb" Recommends) == yt-dlp ]] || fail "Recommends"
status=0
lintian --fail-on error "$deb" > "$tmp/lintian" 2>&1 || status=$?
grep -v '^running with root privileges' "$tmp/lintian" || true
[[ $status -eq 0 ]] || fail "lintian reports errors"
echo "package $(basename "$deb"): ok"
