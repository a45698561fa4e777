# Sourced by the desktop checks: need TOOL... skips the check (77) when one
# is missing; fail prints why the check failed.
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
