#!/usr/bin/env bash
# The real program on a virtual X display: Save measures every test, then the
# chooser takes a typed name and the file is written; Load reads it back
# through a click in the file list, and a CPU run in Compar mode shows its
# comparison in the CPU comment panel.
set -euo pipefail
exe="$1"
source "$(dirname "$0")/xvfb_lib.sh"

h="$work/h"
# C: is the home folder, so C:\data is $h/data.
start_main "$h" 'C:\data'
sleep 1

# Save (Command15: 11265,10215, 1095 x 465) runs all six tests first.
click_twips "$main" 11265 10215 1095 465
wait_mapped "KORVEL CommonDialog1" 120 || fail "the chooser did not open after Save's tests"
chooser=$(xdotool search --onlyvisible --name '^KORVEL CommonDialog1$' | head -n1)
sleep 0.5
# The path box (Text1: 525,6645, 7095 x 435) holds C:\data\; the name goes after it.
click_twips "$chooser" 525 6645 7095 435
xdotool key End
xdotool type --delay 20 'mine.kvd'
click_twips "$chooser" 5235 7470 1230 480   # OK
answer_notice "Save"
[ -f "$h/data/mine.kvd" ] || fail "Save wrote no file: $(ls -la "$h/data")"
head -c 38 "$h/data/mine.kvd" | cmp -s - <(printf 'KORVELINE 2002 V100 (C)Arlen Voskamp\r\n') \
  || fail "the file does not start with the header"
lines=$(tr -cd '\n' <"$h/data/mine.kvd" | wc -c)
[ "$lines" = 7 ] || fail "the file has $lines lines, not 7"
grep -qa -- '^-1' "$h/data/mine.kvd" && fail "a test was saved unmeasured"
echo "ok: Save measured every test and wrote $(tr '\r\n' ' ' <"$h/data/mine.kvd")"
wait_mapped "KORVELINE 2002" 10 || fail "main window not shown after Save"

# Load (Command16: 11265,9630): click the file's name (File1: 4275,930,
# 3495 x 5310; its first row), then OK.
click_twips "$main" 11265 9630 1095 465
wait_mapped "KORVEL CommonDialog1" 20 || fail "the chooser did not open for Load"
chooser=$(xdotool search --onlyvisible --name '^KORVEL CommonDialog1$' | head -n1)
sleep 0.5
xdotool mousemove --window "$chooser" $(( 4275 / 15 + 40 )) $(( 930 / 15 + 8 )) click 1
sleep 0.3
click_twips "$chooser" 5235 7470 1230 480
answer_notice "Load"
wait_mapped "KORVELINE 2002" 10 || fail "main window not shown after Load"
echo "ok: Load read the file"

# Compar (Option1(1) in Frame1: 7905+165, 9105+1065, 1905 x 360), then the CPU
# row (Command1: 2565,960, 615 x 495).
sleep 0.5
click_twips "$main" $(( 7905 + 165 )) $(( 9105 + 1065 )) 1905 360
sleep 0.5
mapped "KORVEL CommonDialog1" && fail "Compar opened Load although a file was loaded"
click_twips "$main" 2565 960 615 495
sleep 8

# The CPU comment panel (Picture7: 10770,960, 2625 x 555) is blue in Compar
# mode; its white text is the comparison, as wide as "100.0% (     0)",
# where "Error" would take a third of that.
shot "$main" "$work/shot.png" || fail "no screenshot of the main window"
panel="$(( 2625 / 15 - 6 ))x$(( 555 / 15 - 6 ))+$(( 10770 / 15 + 3 ))+$(( 960 / 15 + 3 ))"
convert "$work/shot.png" -crop "$panel" +repage -depth 8 txt:- 2>/dev/null \
  | sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \3 \4 \5/p' >"$work/panel.txt"
awk '$2 < 40 && $3 < 40 && $4 > 200 { blue++ } END { exit !(blue > NR / 2) }' "$work/panel.txt" \
  || fail "the CPU comment panel is not blue"
width=$(awk '$2 > 200 && $3 > 200 && $4 > 200 { if (min == "" || $1 < min) min = $1; if ($1 > max) max = $1 }
             END { print (min == "" ? 0 : max - min + 1) }' "$work/panel.txt")
[ "$width" -ge 90 ] || fail "the CPU comment is $width px wide: no comparison shown"
stop
echo "ok: Compar mode shows the CPU comparison ($width px of text)"

echo "3 passed, 0 failed"
