# Sourced by the smoke scripts, whose first argument is the program:
# a private virtual X display, the real program in a home folder of its own, its
# windows found by title. Every wait is for a condition, bounded, so a loaded
# machine makes a script slower, not wrong; a failure says why.
set -euo pipefail

fail() {
  trap - ERR
  {
    echo "FAIL: $*"
    [ ! -s "$log" ] || { echo "the program's last output:"; tail -n 5 "$log"; }
    [ -z "$xvfb_pid" ] || kill -0 "$xvfb_pid" 2>/dev/null || echo "the virtual display had ended: $(tail -n 5 "$work/xvfb.log")"
  } >&2
  exit 1
}
# Any other command that fails ends the script, naming it and the line.
line() { echo "line ${BASH_LINENO[${#BASH_LINENO[@]} - 2]}"; }
on_error() { fail "$2 ended with status $1 ($(line))"; }
set -E
trap 'on_error $? "$BASH_COMMAND"' ERR

exe="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work=$(mktemp -d) pid="" xvfb_pid="" log=""

# start HOME [VAR=value...]: the program in its home folder (its drive C:), every
# signal at its default action (a script's background jobs ignore SIGINT).
start() {
  log="$1/out.log"
  (cd "$1" && exec env HOME="$1" XDG_RUNTIME_DIR="$1" "${@:2}" env --default-signal "$exe") >"$log" 2>&1 &
  pid=$!
}
stop() { [ -z "$pid" ] || { kill "$pid"; wait "$pid"; } 2>/dev/null || true; pid=""; }
trap 'stop; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

# wait_until SECONDS COMMAND...: the command succeeds within them (tried every 0.1 s).
wait_until() {
  local deadline=$(( SECONDS + $1 ))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
ended() { ! kill -0 "$pid" 2>/dev/null; }
# wait_end SECONDS: the program has ended within them; its status in $status.
wait_end() {
  wait_until "$1" ended || return 1
  status=0
  wait "$pid" 2>/dev/null || status=$?
  pid=""
}

# The server picks a free display and writes its number once it takes
# connections, so scripts side by side never share one and nothing connects
# early. No reset when its last client goes: a program may be starting then.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
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
# shows TITLE [GONE [SECONDS]]: within SECONDS (30) the window TITLE is mapped,
# its id in $win, and the window GONE is not.
shows() {
  wait_until "${3:-30}" mapped "$1" || fail "no window \"$1\" within ${3:-30} s ($(line))"
  [ -z "${2:-}" ] || ! mapped "$2" || fail "the window \"$2\" stayed beside \"$1\" ($(line))"
  win=$(window "$1")
}

# pixels FILE X Y WIDTH HEIGHT: "x y r g b" for every pixel of the area.
pixels() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -depth 8 txt:- 2>/dev/null \
    | sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3 \4 \5/p' \
    | awk '{ printf "%d %d %d %d %d\n", $1, $2, $3 + 0.5, $4 + 0.5, $5 + 0.5 }'
}

# grab WINDOW X Y WIDTH HEIGHT: pixels of a fresh screenshot, kept in
# $work/shot.png; none within 10 s is a failure, not a hang.
grab() { timeout 10 import -window "$1" "png:$work/shot.png" 2>/dev/null && pixels "$work/shot.png" "${@:2}"; }

# painted WINDOW X Y R G B: a fresh screenshot shows that colour (give or
# take 2) at that pixel, i.e. the window has drawn what stands there.
painted() {
  grab "$1" "$2" "$3" 1 1 | awk -v r="$4" -v g="$5" -v b="$6" '
    function off(a, e) { return a > e ? a - e : e - a }
    { ok = off($3, r) <= 2 && off($4, g) <= 2 && off($5, b) <= 2 }
    END { exit !ok }'
}

# click_twips WINDOW LEFT TOP WIDTH HEIGHT: the middle of a box given in twips.
click_twips() {
  xdotool mousemove --window "$1" $(( ($2 + $4 / 2) / 15 )) $(( ($3 + $5 / 2) / 15 )) click 1
}

# cpu_name WINDOW lit|rest: the CPU row's name (Label8: 1635,1065, 765 x 285)
# is yellow while its run goes on, dark yellow again at its end.
cpu_name() {
  grab "$1" 109 71 51 19 | awk -v want="$2" '
    $5 < 40 && $3 == 255 && $4 == 255 { lit++ }
    $5 < 40 && $3 > 180 && $3 < 200 && $4 > 180 && $4 < 200 { rest++ }
    END { exit !(want == "lit" ? lit > 10 : rest > 10 && !lit) }'
}

# notice: a notice (titled with the program's name) is in front, its id in $box.
notice() {
  for box in $(xdotool search --all --onlyvisible --pid "$pid" --class korvel 2>/dev/null); do
    [ "$(xdotool getwindowname "$box" 2>/dev/null)" = KORVELINE ] && return 0
  done
  return 1
}
# answer_notice WHAT: the notice WHAT brings is answered with Enter (again if
# it was not ready for it) until it is gone.
answer_notice() {
  wait_until 20 notice || fail "no notice came after $1"
  answered() { notice || return 0; sleep 0.3; xdotool windowfocus --sync "$box" key Return 2>/dev/null; false; }
  wait_until 20 answered || fail "the notice after $1 was not answered"
}

# settings HOME DATAFOLDER: a settings file naming the built program's folder.
settings() {
  mkdir -p "$1/.config" "$1/data"
  printf '%s\r\n%s\r\n' "$(dirname "$exe")" "$2" >"$1/.config/KORVEL.ini"
}
# main_ready: $main is the main window, mapped and painted (the band behind
# the ALL box, 4000,7700 twips, dark yellow).
main_ready() {
  shows "KORVELINE 2002"; main=$win
  wait_until 30 painted "$main" 266 513 192 192 0 || fail "main window never painted"
}
# start_main HOME DATAFOLDER [VAR=value...]: settings, then the program.
start_main() { settings "$1" "$2"; start "$1" "${@:3}"; main_ready; }

# selection_is TEXT [NAME]: the X selection NAME (primary) is owned and holds TEXT.
selection_is() { got=$(xclip -o -selection "${2:-primary}" 2>/dev/null) && [ "$got" = "$1" ]; }
# drop_selection NAME: the selection has no owner: an xclip takes it, then ends.
drop_selection() {
  xclip -quiet -selection "$1" -i </dev/null >/dev/null 2>&1 &
  wait_until 5 selection_is "" "$1" || true
  { kill "$!"; wait "$!"; } 2>/dev/null || true
}
# select_all WINDOW X Y: a click into the text box at X,Y (pixels), then Ctrl+A.
select_all() { xdotool mousemove --window "$1" "$2" "$3" click 1 key --window "$1" ctrl+a; }
# box_text WINDOW X Y: the whole text of that box. The selection is emptied
# first, so once it has an owner every event sent before has been handled.
box_text() {
  drop_selection primary
  select_all "$@"
  wait_until 10 xclip -o -selection primary >/dev/null 2>&1 && xclip -o -selection primary 2>/dev/null
}

# paste_into WINDOW X Y: the text box at X,Y (pixels, just left of the first
# character) takes what is pasted. With nothing on the clipboard or in the
# selection, Shift+Insert and a middle click change nothing and leave the
# program running; text in the selection goes in at a middle click.
paste_into() {
  local before
  before=$(box_text "$@") || fail "the text box could not be read"
  drop_selection primary
  drop_selection clipboard
  xclip -o -selection primary >/dev/null 2>&1 && fail "the selection could not be emptied"
  sleep 0.5   # so that this click and the last one make no double click
  xdotool mousemove --window "$1" "$2" "$3" click 1 key --window "$1" shift+Insert click 2 2>/dev/null || true
  got=$(box_text "$@") && [ "$got" = "$before" ] \
    || fail "a paste of nothing $(ended && echo ended the program || echo changed the text box)"
  printf 'kvpaste' | xclip -selection primary
  wait_until 5 selection_is kvpaste || fail "xclip did not take the selection"
  xdotool mousemove --window "$1" "$2" "$3" click 2
  selected() { select_all "$@"; selection_is "$4"; }   # once the program comes to them
  wait_until 10 selected "$@" "kvpaste$before" || fail "a middle click did not paste the selection: $(head -n1 <<<"$got")"
}
