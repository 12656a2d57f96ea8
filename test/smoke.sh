#!/usr/bin/env bash
# The real program on a virtual X display: with a settings file the main
# window is mapped; without one the setup window is, and the main window not.
# A row run lights its gauge; the Graph test's circles reach the screen.
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
swin=$(window "KORVEL Setup")
# Text1(1): 405,8370 twips, 6510 x 420; OK (Command5): 9690,8130, 1710 x 465.
text1_x=$(( (405 + 6510 / 2) / 15 )); text1_y=$(( (8370 + 420 / 2) / 15 ))
wait_until 30 painted "$swin" "$text1_x" "$text1_y" 255 255 255 || fail "setup window never painted"
xdotool windowfocus --sync "$swin"
xdotool type --delay 20 'C:\prog'
xdotool mousemove --window "$swin" "$text1_x" "$text1_y" click 1
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
win=$(window "KORVELINE 2002")
# The CPU value panel (Picture5, 3450,945 twips, 2070 x 525) is light green
# once the window has painted.
wait_until 30 painted "$win" $(( (3450 + 2070 / 2) / 15 )) $(( (945 + 525 / 2) / 15 )) 192 255 192 \
  || fail "main window never painted"
# Command1: 2565,960 twips, 615 x 495; 15 twips to the pixel.
xdotool mousemove --window "$win" $(( (2565 + 615 / 2) / 15 )) $(( (960 + 495 / 2) / 15 )) click 1

# The CPU strip (Picture3, 5970,930 twips, 4380 x 555) draws its bars 2 px
# inside its border; this is its middle row, bar 0 at its left end.
strip_x=$(( 5970 / 15 + 2 )); strip_w=$(( 4380 / 15 - 4 ))
strip_y=$(( 930 / 15 + 555 / 15 / 2 ))
# Writes "x r g b" for every pixel of that row to row.txt.
strip_row() {
  shot "$win" "$work/shot.png" || return 1
  pixels "$work/shot.png" "$strip_x" "$strip_y" "$strip_w" 1 | awk '{ print $1, $3, $4, $5 }' >"$work/row.txt"
}
# bar_is X R G B: the pixel in column X has that colour, give or take 2.
bar_is() {
  awk -v x="$1" -v r="$2" -v g="$3" -v b="$4" '
    function off(a, e) { return a > e ? a - e : e - a }
    $1 == x { found = 1; ok = off($2, r) <= 2 && off($3, g) <= 2 && off($4, b) <= 2 }
    END { exit !(found && ok) }' "$work/row.txt"
}
# The test takes a little over 2.5 s, then the bars light 30 ms apart; on a
# loaded machine either may take longer. Bars 0 and 1 lit:
two_bars_lit() { strip_row && bar_is 0 255 7 0 && bar_is 5 255 14 0; }
wait_until 60 two_bars_lit \
  || fail "bars 0 and 1 not lit in their colours within 60 s of the click: $(awk '$1 == 0 || $1 == 5' "$work/row.txt")"
# Every pixel is black (an unlit bar) or a gauge colour: no blue, and red or
# green at full strength; the lit ones come first. This holds at every
# moment of the animation.
awk '
  $2 + $3 + $4 <= 6 { dark = 1; next }
  dark { print "lit pixel after an unlit one at " $1; bad = 1 }
  $4 > 2 || ($2 < 253 && $3 < 253) { print "not a gauge colour at " $1 ": " $2 "," $3 "," $4; bad = 1 }
  END { exit bad }' "$work/row.txt" || fail "the CPU gauge shows foreign colours"
echo "ok: the CPU row run lights its gauge"

# 4. The Graph row: its circles, drawn straight onto "KORVEL Graph Test",
# reach the screen while the test runs. The window's middle row is dark in
# its background picture; each circle crosses it in two bright pixels.
# The run is over once the row's name "CPU" (Label8: 1635,1065, 765 x 285)
# is back from yellow to dark yellow.
name_at_rest() {
  shot "$win" "$work/name.png" || return 1
  pixels "$work/name.png" $(( 1635 / 15 )) $(( 1065 / 15 )) $(( 765 / 15 )) $(( 285 / 15 )) \
    | awk '$3 == 255 && $4 == 255 && $5 < 40 { lit++ } $3 > 180 && $3 < 200 && $4 > 180 && $4 < 200 && $5 < 40 { rest++ }
           END { exit !(rest > 10 && lit == 0) }'
}
wait_until 60 name_at_rest || fail "the CPU row run did not end"
xdotool mousemove --window "$win" $(( (2595 + 615 / 2) / 15 )) $(( (6495 + 495 / 2) / 15 )) click 1
wait_mapped "KORVEL Graph Test" 30 || fail "the Graph test window did not open"
gwin=$(window "KORVEL Graph Test")
bright_row() {
  shot "$gwin" "$work/graph.png" || return 1
  pixels "$work/graph.png" 0 $(( 8310 / 15 / 2 )) $(( 8235 / 15 )) 1 \
    | awk '{ m = $3; if ($4 > m) m = $4; if ($5 > m) m = $5; if (m > 150) n++ } END { exit !(n > 40) }'
}
wait_until 30 bright_row || fail "no circles to be seen on the Graph test's window"
stop
echo "ok: the Graph test's circles reach the screen"

echo "5 passed, 0 failed"
