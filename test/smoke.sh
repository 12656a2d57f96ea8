#!/usr/bin/env bash
# The real program on a virtual X display: with a settings file the main
# window is mapped; without one the setup window is, and the main window not.
set -euo pipefail
exe="$1"
if [ -z "${SMOKE_INSIDE_X:-}" ]; then
  export SMOKE_INSIDE_X=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

fail() { echo "FAIL: $*"; exit 1; }

# Waits up to $2 seconds for a visible window named exactly $1.
wait_mapped() {
  for _ in $(seq 1 $(( $2 * 10 ))); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
mapped() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

start() {  # start HOME
  HOME="$1" XDG_RUNTIME_DIR="$1" "$exe" >"$1/out.log" 2>&1 &
  pid=$!
}
stop() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }

work=$(mktemp -d)
trap 'stop; rm -rf "$work"' EXIT

# 1. A well-formed settings file: the main window.
mkdir -p "$work/a/.config"
printf 'C:\\prog\r\nC:\\data\r\n' >"$work/a/.config/KORVEL.ini"
start "$work/a"
wait_mapped "KORVELINE 2002" 30 || fail "main window not mapped with a settings file"
mapped "KORVEL Setup" && fail "setup window mapped with a settings file"
stop
echo "ok: main window with a settings file"

# 2. No settings file: the setup window, not the main window.
mkdir -p "$work/b"
start "$work/b"
wait_mapped "KORVEL Setup" 30 || fail "setup window not mapped without a settings file"
mapped "KORVELINE 2002" && fail "main window mapped without a settings file"
stop
echo "ok: setup window without a settings file"

echo "2 passed, 0 failed"
