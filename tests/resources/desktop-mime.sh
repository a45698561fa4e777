#!/usr/bin/env bash
# The MIME package makes a sealed list file ours by its content ("QORPLF" at
# the start) and by its extension, once installed into an XDG data folder.
set -euo pipefail
build=$1 src=$2
. "$(dirname "$0")/need.sh"
need xdg-mime update-mime-database gio
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

mkdir -p "$tmp/data/mime/packages"
cp "$src/resources/desktop/qor-mime.xml" "$tmp/data/mime/packages/qor.xml"
export XDG_DATA_HOME=$tmp/data XDG_DATA_DIRS=$tmp/data:/usr/share
update-mime-database "$tmp/data/mime"
# xdg-mime asks file(1) outside a known desktop, and file(1) reads no
# shared MIME database; on GNOME it asks GIO, which does.
export XDG_CURRENT_DESKTOP=GNOME

"$build/tools/qor-lists/qor-lists" seal "$src/resources/lists/playlist.xml" -o "$tmp/favourites.rpf" ||
  fail "qor-lists seal"
cp "$tmp/favourites.rpf" "$tmp/sealed-without-extension"
printf 'not sealed at all' > "$tmp/plain-without-extension"
type=application/x-qor-station-list
for file in favourites.rpf sealed-without-extension; do
  got=$(xdg-mime query filetype "$tmp/$file")
  [[ $got == "$type" ]] || fail "$file is $got"
done
got=$(xdg-mime query filetype "$tmp/plain-without-extension")
[[ $got != "$type" ]] || fail "a plain file is taken for a list file"
echo "sealed list files are $type"
