#!/usr/bin/env bash
# Memory of the whole program (the player and every process it started)
# before and after the browser's first page: two runs of the real qor on
# fresh settings, one that opens no page and one whose first start opens
# the start page (the built-in one unless deploy.ini names a vendor host).
# Prints the proportional set size (PSS, shared pages counted once) and the
# resident size summed over the process tree, after the program has settled.
#
#   xvfb-run -a dbus-run-session -- bench/browser/browser-memory.sh [build] [settle seconds]
set -euo pipefail
build=${1:-build}
settle=${2:-15}
qor=$(realpath "$build/app/qor")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tree() {  # the pid and all its descendants
  local all=("$1") i=0
  while ((i < ${#all[@]})); do
    for child in $(cat /proc/"${all[$i]}"/task/*/children 2>/dev/null); do all+=("$child"); done
    i=$((i + 1))
  done
  echo "${all[@]}"
}

measure() {  # label firstrun
  local home="$work/$1"
  mkdir -p "$home/config/Kelvarin/QOR" "$home/run"
  chmod 700 "$home/run"
  printf '[application]\nfirstrun=%s\n[player]\nautoplay=0\n' "$2" > "$home/config/Kelvarin/QOR/options.ini"
  XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" SDL_AUDIODRIVER=dummy "$qor" >/dev/null 2>&1 &
  local pid=$!
  sleep "$settle"
  local pss=0 rss=0 count=0 names=""
  for p in $(tree "$pid"); do
    [[ -r /proc/$p/smaps_rollup ]] || continue
    pss=$((pss + $(awk '/^Pss:/ {print $2}' /proc/"$p"/smaps_rollup)))
    rss=$((rss + $(awk '/^Rss:/ {print $2}' /proc/"$p"/smaps_rollup)))
    count=$((count + 1))
    names+="$(cat /proc/"$p"/comm) "
  done
  printf '%-22s %3d processes  PSS %6d KB  RSS %6d KB  (%s)\n' "$1" "$count" "$pss" "$rss" "$names"
  XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" "$qor" -quit >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
}

measure "before the first page" 0
measure "after the first page" 1
