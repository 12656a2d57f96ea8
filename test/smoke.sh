#!/usr/bin/env bash
# The real program on a virtual X display: with a settings file the main
# window is mapped; without one the setup window is, and the main window not.
set -euo pipefail
exe="$1"
source "$(dirname "$0")/xvfb_lib.sh"

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
echo "ok: setup window without a settings file"

# 2b. Typing both folders and OK writes the settings file and maps the main
# window. The program-folder box has the focus when the window opens.
swin=$(xdotool search --onlyvisible --name '^KORVEL Setup$' | head -n1)
sleep 1
xdotool windowfocus --sync "$swin"
xdotool type --delay 20 'C:\prog'
# Text1(1): 405,8370 twips, 6510 x 420; OK (Command5): 9690,8130, 1710 x 465.
xdotool mousemove --window "$swin" $(( (405 + 6510 / 2) / 15 )) $(( (8370 + 420 / 2) / 15 )) click 1
xdotool type --delay 20 '/srv/kv data'
xdotool mousemove --window "$swin" $(( (9690 + 1710 / 2) / 15 )) $(( (8130 + 465 / 2) / 15 )) click 1
wait_mapped "KORVELINE 2002" 30 || fail "main window not mapped after the setup's OK"
mapped "KORVEL Setup" && fail "setup window still mapped after its OK"
printf 'C:\\prog\r\n/srv/kv data\r\n' >"$work/expected.ini"
cmp -s "$work/expected.ini" "$work/b/.config/KORVEL.ini" \
  || fail "settings file not as typed: $(od -c "$work/b/.config/KORVEL.ini" | head -3)"
stop
echo "ok: setup typed and saved"

# 3. The CPU row run from its start button: the gauge lights from the left in
# the gauge colours. The program folder is the one holding the executable.
mkdir -p "$work/c/.config" "$work/c/data"
printf '%s\r\n%s\r\n' "$(cd "$(dirname "$exe")" && pwd)" "$work/c/data" >"$work/c/.config/KORVEL.ini"
start "$work/c"
wait_mapped "KORVELINE 2002" 30 || fail "main window not mapped for the row run"
win=$(xdotool search --onlyvisible --name '^KORVELINE 2002$' | head -n1)
sleep 1   # let the first paint settle before clicking
# Command1: 2565,960 twips, 615 x 495; 15 twips to the pixel.
xdotool mousemove --window "$win" $(( (2565 + 615 / 2) / 15 )) $(( (960 + 495 / 2) / 15 )) click 1

# The CPU strip (Picture3, 5970,930 twips, 4380 x 555) draws its bars 2 px
# inside its border; this is its middle row, bar 0 at its left end.
strip_x=$(( 5970 / 15 + 2 )); strip_w=$(( 4380 / 15 - 4 ))
strip_y=$(( 930 / 15 + 555 / 15 / 2 ))
# Prints "x r g b" for every pixel of that row.
strip_row() {
  import -window "$win" "png:$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -crop "${strip_w}x1+${strip_x}+${strip_y}" +repage -depth 8 txt:- 2>/dev/null \
    | sed -n 's/^\([0-9]*\),0: *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3 \4/p' \
    | awk '{ printf "%d %d %d %d\n", $1, $2 + 0.5, $3 + 0.5, $4 + 0.5 }'
}
lit=""
for _ in $(seq 1 40); do
  if strip_row >"$work/row.txt" && awk '$1 == 0 && $2 > 200 { f = 1 } END { exit !f }' "$work/row.txt"; then
    lit=1; break
  fi
  sleep 0.5
done
[ -n "$lit" ] || fail "no bar lit within 20 s of the click"
# The animation paces 30 ms a bar, 65 bars at most.
sleep 3
strip_row >"$work/row.txt" || fail "no screenshot of the main window"
# bar_is X R G B: the pixel in column X has that colour, give or take 2.
bar_is() {
  awk -v x="$1" -v r="$2" -v g="$3" -v b="$4" '
    function off(a, e) { return a > e ? a - e : e - a }
    $1 == x { found = 1; ok = off($2, r) <= 2 && off($3, g) <= 2 && off($4, b) <= 2 }
    END { exit !(found && ok) }' "$work/row.txt"
}
bar_is 0 255 7 0 || fail "bar 0 is not (255,7,0): $(awk '$1 == 0' "$work/row.txt")"
bar_is 5 255 14 0 || fail "bar 1 is not (255,14,0): $(awk '$1 == 5' "$work/row.txt")"
# Every pixel is black (an unlit bar) or a gauge colour: no blue, and red or
# green at full strength; the lit ones come first.
awk '
  $2 + $3 + $4 <= 6 { dark = 1; next }
  dark { print "lit pixel after an unlit one at " $1; bad = 1 }
  $4 > 2 || ($2 < 253 && $3 < 253) { print "not a gauge colour at " $1 ": " $2 "," $3 "," $4; bad = 1 }
  END { exit bad }' "$work/row.txt" || fail "the CPU gauge shows foreign colours"
stop
echo "ok: the CPU row run lights its gauge"

echo "4 passed, 0 failed"
