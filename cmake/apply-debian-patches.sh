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
tar -xJf "$debian_tarball" -C "$work"
series="$work/debian/patches/series"
[ -f "$series" ] || exit 0
grep -v '^[[:space:]]*#' "$series" | while read -r patch _; do
  [ -n "$patch" ] || continue
  for skipped in "$@"; do
    [ "$patch" = "$skipped" ] && continue 2
  done
  patch -p1 --forward --no-backup-if-mismatch -s < "$work/debian/patches/$patch"
done
