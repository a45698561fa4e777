#!/bin/sh
# Applies the patch series of a Debian source package's debian.tar.xz to the
# unpacked orig tarball in the current folder, in the order of its series
# file (lines starting with # are comments). Patches named after the tarball
# are left out: the flavours a package builds from a second copy (curl's
# GnuTLS and NSS builds).
#   apply-debian-patches.sh DEBIAN_TARBALL [PATCH_TO_LEAVE_OUT ...]
set -eu
debian_tarball=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xf "$debian_tarball" -C "$work"
series="$work/debian/patches/series"
[ -f "$series" ] || exit 0
grep -v '^[[:space:]]*#' "$series" | while read -r patch _; do
  [ -n "$patch" ] || continue
  for skipped in "$@"; do
    [ "$patch" = "$skipped" ] && continue 2
  done
  if [ ! -f "$work/debian/patches/$patch" ] ||
     ! patch -p1 --forward --no-backup-if-mismatch -s < "$work/debian/patches/$patch" >"$work/output" 2>&1; then
    # A newer Debian release than the pinned one (taken when the pinned one
    # left the archive) may bring a series that no longer fits.
    cat "$work/output" >&2 2>/dev/null || :
    echo "The patch $patch of $(basename "$debian_tarball") does not apply to the sources in $(pwd)." >&2
    echo "Put the pinned source files into the source cache (QOR_SOURCE_CACHE), or configure with" >&2
    echo "-DQOR_OWN_FFMPEG=OFF / -DQOR_OWN_CURL=OFF to use the system's library." >&2
    exit 1
  fi
done
