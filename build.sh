#!/usr/bin/env bash
# One entry point for people and CI:
#   ./build.sh run    install what is missing, build, start the player
#   ./build.sh test   install what is missing, build, run every test
#   ./build.sh build  build only (no package installation)
#   ./build.sh package  build, then the Debian package qor_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR=${QOR_BUILD_DIR:-build}
JOBS=${QOR_JOBS:-$(nproc)}

install_deps() {
  local missing=()
  while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done < .ci/packages.txt
  if ((${#missing[@]})); then
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# Part of the suite runs again under the Turkish locale most users have.
generate_locale() {
  locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$' && return
  local sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  echo "Generating the tr_TR.UTF-8 locale"
  $sudo sed -i 's/^# *\(tr_TR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^tr_TR.UTF-8 UTF-8' /etc/locale.gen || echo "tr_TR.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen
}

build() {
  # ccache, when a developer has it, makes rebuilds of several checkouts cheap.
  local launcher=""
  command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher ${QOR_CMAKE_ARGS:-}
  cmake --build "$BUILD_DIR" -j "$JOBS"
}

# No test may reach the internet. Where the system allows it (root, or a
# container that grants namespaces), the suite runs in a network namespace of
# its own with only the loopback up: the fixture servers, the X server and
# the session bus all live on 127.0.0.1 or local sockets.
offline() {
  if unshare --net -- ip link set lo up 2>/dev/null; then
    unshare --net -- bash -c 'ip link set lo up && exec "$@"' offline "$@"
  else
    echo "No private network namespace here (unshare --net not permitted): the tests run with the host's network"
    "$@"
  fi
}

case "${1:-}" in
  run)
    install_deps
    build
    exec "$BUILD_DIR/app/qor" "${@:2}"
    ;;
  test)
    install_deps
    generate_locale
    # One slice of the audio suite also runs linked with LeakSanitizer, which
    # works on every processor (valgrind, still there as QOR_AUDIO_MEMCHECK,
    # dies on some AMD processors in a library that libavcodec loads).
    QOR_CMAKE_ARGS="${QOR_CMAKE_ARGS:-} -DQOR_AUDIO_LEAKCHECK=ON"
    build
    tools/check-layering.sh
    # GTK tests need a display and a session bus; everything else ignores them.
    # -noreset: the server would otherwise start over whenever its last
    # client leaves (between two test processes) and refuse whoever
    # connects meanwhile.
    offline xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      dbus-run-session -- ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" "${@:2}"
    ;;
  build)
    build
    ;;
  package)
    build
    deb=$(tools/make-deb.sh "$BUILD_DIR")
    echo "$deb"
    command -v lintian >/dev/null && lintian "$deb"
    ;;
  *)
    echo "usage: $0 run|test|build|package" >&2
    exit 2
    ;;
esac
