# Shared by the smoke scripts: sourced, never run. It starts a private
# virtual X display, then starts the real program with a home folder of its
# own and watches that program's windows by their titles. Every wait is for
# a condition, with a bound, never for a fixed time: a loaded machine only
# makes the script slower, not wrong.
#   source "$(dirname "$0")/xvfb_lib.sh"  (with "$exe" set to the program)

fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
pid=""
xvfb_pid=""

start() {  # start HOME
  HOME="$1" XDG_RUNTIME_DIR="$1" "$exe" >"$1/out.log" 2>&1 &
  pid=$!
}
stop() {
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
}
trap 'stop; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

# wait_until SECONDS COMMAND...: runs the command every 0.1 s until it
# succeeds; false when the time is up first.
wait_until() {
  local deadline=$(( SECONDS + $1 ))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# The server picks a free display itself and writes its number once it
# takes connections, so scripts running side by side never share a display
# and nothing connects too early.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_ready() {
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended: $(cat "$work/xvfb.log")"
  grep -q '^[0-9][0-9]*$' "$work/display"
}
wait_until 30 display_ready || fail "the virtual display did not start"
export DISPLAY=":$(head -n1 "$work/display")"
unset XAUTHORITY

# window TITLE: the id of the running program's visible window of exactly
# that title; false when it has none (another program's window never counts).
window() {
  [ -n "$pid" ] || return 1
  xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -n1 | grep .
}
mapped() { window "$1" >/dev/null; }
wait_mapped() { wait_until "$2" mapped "$1"; }  # wait_mapped TITLE SECONDS

# shot WINDOW FILE: a screenshot of the window as PNG.
# A screenshot that does not come within 10 s counts as failed, not as a hang.
shot() { timeout 10 import -window "$1" "png:$2" 2>/dev/null; }

# pixels FILE X Y WIDTH HEIGHT: "x y r g b" for every pixel of the area.
pixels() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -depth 8 txt:- 2>/dev/null \
    | sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3 \4 \5/p' \
    | awk '{ printf "%d %d %d %d %d\n", $1, $2, $3 + 0.5, $4 + 0.5, $5 + 0.5 }'
}

# painted WINDOW X Y R G B: a fresh screenshot shows that colour (give or
# take 2) at that pixel, i.e. the window has drawn what stands there.
painted() {
  shot "$1" "$work/painted.png" || return 1
  pixels "$work/painted.png" "$2" "$3" 1 1 | awk -v r="$4" -v g="$5" -v b="$6" '
    function off(a, e) { return a > e ? a - e : e - a }
    { ok = off($3, r) <= 2 && off($4, g) <= 2 && off($5, b) <= 2 }
    END { exit !ok }'
}

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
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --class korvel 2>/dev/null || true); do
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

# start_main HOME DATAFOLDER: settings naming the built program's folder and
# DATAFOLDER, then the program; $main is its main window once it is shown.
start_main() {
  mkdir -p "$1/.config" "$1/data"
  printf '%s\r\n%s\r\n' "$(cd "$(dirname "$exe")" && pwd)" "$2" >"$1/.config/KORVEL.ini"
  start "$1"
  wait_mapped "KORVELINE 2002" 30 || fail "main window not mapped"
  main=$(window "KORVELINE 2002")
}

# box_text WINDOW X Y: the whole text of the text box at X,Y (pixels) of the
# window, through the primary selection, which Ctrl+A fills.
box_text() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  xdotool key --window "$1" ctrl+a
  sleep 0.2
  xclip -o -selection primary 2>/dev/null
}

# paste_into WINDOW X Y: the text box at X,Y (pixels, just left of the first
# character) takes what is pasted. With nothing on the clipboard or in the
# selection, Shift+Insert and a middle click change nothing and leave the
# program running; text in the selection goes in at a middle click.
paste_into() {
  local sel before after
  before=$(box_text "$@")
  # An xclip that takes a selection and ends leaves it without an owner.
  for sel in primary clipboard; do
    xclip -quiet -selection "$sel" -i </dev/null >/dev/null 2>&1 &
    sleep 0.3
    kill "$!" 2>/dev/null || true
    wait "$!" 2>/dev/null || true
  done
  xclip -o -selection primary >/dev/null 2>&1 && fail "the selection could not be emptied"
  xdotool mousemove --window "$1" "$2" "$3" click 1
  xdotool key --window "$1" shift+Insert 2>/dev/null || true
  xdotool click 2 2>/dev/null || true
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "a paste of nothing ended the program"
  after=$(box_text "$@")
  [ "$after" = "$before" ] || fail "a paste of nothing changed the text box"
  printf 'kvpaste' | xclip -selection primary
  xdotool mousemove --window "$1" "$2" "$3" click 2
  sleep 0.3
  after=$(box_text "$@")
  [ "$after" = "kvpaste$before" ] || fail "a middle click did not paste the selection: $(head -n1 <<<"$after")"
}
