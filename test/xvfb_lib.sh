# Shared by the smoke scripts: sourced, never run. It starts a private
# virtual X display, then starts the real program with a home folder of its
# own and watches that program's windows by their titles. Every wait is for
# a condition, with a bound, never for a fixed time: a loaded machine only
# makes the script slower, not wrong. A failure always says why.
#   exe=PROGRAM; source "$(dirname "$0")/xvfb_lib.sh"

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
on_error() { fail "$2 ended with status $1 (line ${BASH_LINENO[${#BASH_LINENO[@]} - 2]})"; }
set -E
trap 'on_error $? "$BASH_COMMAND"' ERR

exe="$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")"
work=$(mktemp -d) pid="" xvfb_pid="" log=""

# start HOME [VAR=value...]: the program in its home folder, so its drive
# list starts at C:, with every signal at its default action (a script's
# background jobs would otherwise ignore SIGINT).
start() {
  local h="$1"; shift
  log="$h/out.log"
  (cd "$h" && exec env HOME="$h" XDG_RUNTIME_DIR="$h" "$@" env --default-signal "$exe") >"$log" 2>&1 &
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
ended() { ! kill -0 "$pid" 2>/dev/null; }
# wait_end SECONDS: the program has ended within them; its status in $status.
wait_end() {
  wait_until "$1" ended || return 1
  status=0
  wait "$pid" 2>/dev/null || status=$?
  pid=""
}

# The server picks a free display itself and writes its number once it
# takes connections, so scripts running side by side never share a display
# and nothing connects too early. It does not reset when its last client
# goes, as a program may be starting just then.
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
wait_mapped() { wait_until "$2" mapped "$1"; }  # wait_mapped TITLE SECONDS

# shot WINDOW FILE: a screenshot of the window as PNG; one that does not come
# within 10 s counts as failed, not as a hang.
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

# cpu_name WINDOW lit|rest: the CPU row's name (Label8: 1635,1065, 765 x 285)
# is yellow while its run goes on, dark yellow again at its end.
cpu_name() {
  shot "$1" "$work/name.png" || return 1
  pixels "$work/name.png" 109 71 51 19 | awk -v want="$2" '
    $5 < 40 && $3 == 255 && $4 == 255 { lit++ }
    $5 < 40 && $3 > 180 && $3 < 200 && $4 > 180 && $4 < 200 { rest++ }
    END { exit !(want == "lit" ? lit > 10 : rest > 10 && !lit) }'
}

# notice: a notice is in front, its id in $box. A message box has no title of
# its own; the program's name stands there.
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
  wait_mapped "KORVELINE 2002" 30 || fail "main window not mapped"
  main=$(window "KORVELINE 2002")
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
  kill "$!" 2>/dev/null || true
  wait "$!" 2>/dev/null || true
}
# selected WINDOW X Y TEXT: a click into the text box at X,Y (pixels) of the
# window and Ctrl+A put TEXT in the selection, once the program comes to them.
selected() {
  xdotool mousemove --window "$1" "$2" "$3" click 1 key --window "$1" ctrl+a
  selection_is "$4"
}
# box_text WINDOW X Y: the whole text of that box. The selection is emptied
# first, so once it has an owner every event sent before has been handled.
box_text() {
  drop_selection primary
  xdotool mousemove --window "$1" "$2" "$3" click 1 key --window "$1" ctrl+a
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
  if ! got=$(box_text "$@") || [ "$got" != "$before" ]; then
    ended && fail "a paste of nothing ended the program"
    fail "a paste of nothing changed the text box"
  fi
  printf 'kvpaste' | xclip -selection primary
  wait_until 5 selection_is kvpaste || fail "xclip did not take the selection"
  xdotool mousemove --window "$1" "$2" "$3" click 2
  wait_until 10 selected "$@" "kvpaste$before" || fail "a middle click did not paste the selection: $(head -n1 <<<"$got")"
}
