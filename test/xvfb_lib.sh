# Shared by the smoke scripts: sourced, never run. The script re-runs itself
# on a private virtual X display, then starts the real program with a home
# folder of its own and watches its windows by their titles.
#   source "$(dirname "$0")/xvfb_lib.sh"  (with "$exe" set to the program)
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
pid=""
trap 'stop; rm -rf "$work"' EXIT

# click_twips WINDOW LEFT TOP WIDTH HEIGHT: the middle of a box given in twips.
click_twips() {
  xdotool mousemove --window "$1" $(( ($2 + $4 / 2) / 15 )) $(( ($3 + $5 / 2) / 15 )) click 1
}

# answer_notice WHAT: answers the notice in front with Enter (again if it was
# not ready for it), until it is gone.
answer_notice() {
  local seen="" box w
  for _ in $(seq 1 50); do
    # A message box has no title of its own; the program's name stands there.
    box=""
    for w in $(xdotool search --onlyvisible --class korvel 2>/dev/null || true); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = KORVELINE ] && box=$w
    done
    if [ -z "$box" ]; then
      [ -n "$seen" ] && return 0
    else
      seen=1
      sleep 0.3
      xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    fi
    sleep 0.2
  done
  fail "no notice answered after $1"
}
