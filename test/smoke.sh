#!/usr/bin/env bash
# Without a settings file the setup window, whose typed folders are saved; with
# one the main window, where a row run lights its gauge and the Graph test's
# circles reach the screen.
source "$(dirname "$0")/xvfb_lib.sh"

# 1. No settings file: the setup window. Typing both folders (the program
# folder's box has the focus) and OK writes the file and maps the main window.
mkdir -p "$work/b"
start "$work/b"
shows "KORVEL Setup" "KORVELINE 2002"
# Text1(1): 405,8370 twips, 6510 x 420.
wait_until 30 painted "$win" 244 572 255 255 255 || fail "setup window never painted"
xdotool windowfocus --sync "$win" type --delay 20 'C:\prog'
xdotool mousemove --window "$win" 244 572 click 1 type --delay 20 '/srv/kv data'
click_twips "$win" 9690 8130 1710 465   # OK (Command5)
shows "KORVELINE 2002" "KORVEL Setup"
cmp -s <(printf 'C:\\prog\r\n/srv/kv data\r\n') "$work/b/.config/KORVEL.ini" \
  || fail "settings file not as typed: $(od -c "$work/b/.config/KORVEL.ini" | head -3)"
stop
echo "ok: setup window without a settings file, typed and saved"

# 2. With a settings file, the main window. A CPU row run (Command1) lights
# its strip (Picture3, 5970,930 twips, 4380 x 555; bars 2 px inside its border)
# from the left, 30 ms a bar after a test of some 2.5 s: bars 0 and 1 in their colours.
start_main "$work/c" "$work/c/data"
mapped "KORVEL Setup" && fail "setup window mapped with a settings file"
click_twips "$main" 2565 960 615 495
two_bars_lit() { painted "$main" 400 80 255 7 0 && painted "$main" 405 80 255 14 0; }
wait_until 60 two_bars_lit || fail "bars 0 and 1 not lit in their colours within 60 s of the click: \
$(pixels "$work/shot.png" 400 80 6 1 | sed -n '1p;6p')"
# Along the strip's middle row every pixel is black (an unlit bar) or a gauge
# colour, the lit ones first; this holds at every moment of the animation.
pixels "$work/shot.png" 400 80 288 1 | awk '
  $3 + $4 + $5 <= 6 { dark = 1; next }
  dark { print "lit pixel after an unlit one at " $1; bad = 1 }
  $5 > 2 || ($3 < 253 && $4 < 253) { print "not a gauge colour at " $1 ": " $3 "," $4 "," $5; bad = 1 }
  END { exit bad }' || fail "the CPU gauge shows foreign colours"
echo "ok: main window with a settings file; the CPU row run lights its gauge"

# 3. The Graph row (Command7): its circles, drawn straight onto "KORVEL Graph
# Test", reach the screen while the test runs. The window's middle row is
# dark in its background picture; each circle crosses it in two bright pixels.
wait_until 60 cpu_name "$main" rest || fail "the CPU row run did not end"
click_twips "$main" 2595 6495 615 495
shows "KORVEL Graph Test"
bright_row() {
  grab "$win" 0 277 549 1 | awk '{ m = $3; if ($4 > m) m = $4; if ($5 > m) m = $5; if (m > 150) n++ } END { exit !(n > 40) }'
}
wait_until 30 bright_row || fail "no circles to be seen on the Graph test's window"
stop
echo "ok: the Graph test's circles reach the screen"

echo "3 passed, 0 failed"
