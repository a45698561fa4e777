#!/usr/bin/env bash
# Builds the Debian package qor_<version>_<arch>.deb from a configured and
# built tree:  tools/make-deb.sh BUILD-DIR [OUTPUT-DIR]
# The package holds what `cmake --install` lays out under /usr, stripped;
# its Depends come from dpkg-shlibdeps, plus ffmpeg, which the program starts
# for the streams and recordings its own decoder does not handle.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: $0 BUILD-DIR [OUTPUT-DIR]}" && pwd)
out=$(mkdir -p "${2:-$build}" && cd "${2:-$build}" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n "$version" ]] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
arch=$(dpkg --print-architecture)
work=$(mktemp -d "$out/.deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
root="$work/root"

DESTDIR="$root" cmake --install "$build" --prefix /usr --strip >/dev/null
doc="$root/usr/share/doc/qor"
# The copyright file names the licence in /usr/share/common-licenses; a second
# copy of the GPL text is not wanted in a Debian package.
rm -f "$doc/LICENSE"
date=$(date -R -u -d "@${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)}")
cat > "$work/changelog" <<EOF
qor ($version) unstable; urgency=medium

  * Release $version for the Linux desktop.

 -- QOR developers <qor@kelvarin.org>  $date
EOF
gzip -9n -c "$work/changelog" > "$doc/changelog.gz"
gzip -9n "$root"/usr/share/man/man1/*.1
# FFmpeg and libcurl built for the program (the build's default) are linked
# in on purpose: Debian's shared builds bring some 80 libraries the player
# never uses. Lintian is told so instead of reporting embedded copies.
embedded=()
grep -q '^QOR_OWN_FFMPEG:BOOL=ON' "$build/CMakeCache.txt" && embedded+=(libavutil)
grep -q '^QOR_OWN_CURL:BOOL=ON' "$build/CMakeCache.txt" && embedded+=(curl)
if ((${#embedded[@]})); then
  overrides="$root/usr/share/lintian/overrides"
  mkdir -p "$overrides"
  {
    echo "# Built from Debian's source with only the parts the player uses; see copyright."
    for lib in "${embedded[@]}"; do
      for program in qor qor-cli; do echo "qor: embedded-library $lib [usr/bin/$program]"; done
    done
  } > "$overrides/qor"
fi
chmod -R u=rwX,go=rX "$root"

# dpkg-shlibdeps reads debian/control of the current folder.
mkdir -p "$work/src/debian"
printf 'Source: qor\n\nPackage: qor\nArchitecture: any\n' > "$work/src/debian/control"
shlibs=$(cd "$work/src" && dpkg-shlibdeps -O -e"$root/usr/bin/qor" -e"$root/usr/bin/qor-cli" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
[[ -n "$shlibs" ]] || { echo "dpkg-shlibdeps found no dependencies" >&2; exit 1; }

mkdir -p "$root/DEBIAN"
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
cat > "$root/DEBIAN/control" <<EOF
Package: qor
Version: $version
Architecture: $arch
Maintainer: QOR developers <qor@kelvarin.org>
Installed-Size: $size
Depends: $shlibs, ffmpeg
Recommends: yt-dlp
Section: sound
Priority: optional
Homepage: $(sed -n 's/^QOR_PUBLIC_URL:STRING=//p' "$build/CMakeCache.txt")
Description: internet radio player and recorder
 QOR plays internet radio stations from its built-in station database, from
 your favourites or from an address you type, shows the current song title,
 and records what is playing, as it arrives or converted by ffmpeg. A daily
 recording can start and stop on a schedule. The interface is in Turkish.
EOF
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb="$out/qor_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
