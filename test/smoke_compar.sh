#!/usr/bin/env bash
# Save measures every test and writes the name typed into the chooser; Load
# reads it back through a click in the file list; a CPU run in Compar mode
# shows its comparison in the CPU comment panel.
source "$(dirname "$0")/xvfb_lib.sh"

h="$work/h"
start_main "$h" 'C:\data'   # C: is the home folder
# chooser WHAT: the chooser, opened within 120 s, painted (its path box
# Text1: 525,6645, 7095 x 435, white), in $chooser.
chooser() {
  shows "KORVEL CommonDialog1" "" 120; chooser=$win
  wait_until 10 painted "$chooser" 400 457 255 255 255 || fail "the chooser was not painted for $1"
}

# Save (Command15) runs all six tests first. The path box holds C:\data\;
# the name goes after it; then OK.
click_twips "$main" 11265 10215 1095 465
chooser Save
click_twips "$chooser" 525 6645 7095 435
xdotool key End type --delay 20 'mine.kvd'
click_twips "$chooser" 5235 7470 1230 480
answer_notice "Save"
f="$h/data/mine.kvd"
[ -f "$f" ] || fail "Save wrote no file: $(ls -la "$h/data")"
awk 'NR == 1 ? $0 != "KORVELINE 2002 V100 (C)Arlen Voskamp\r" : !/^[0-9]+\r$/ { bad = 1 } END { exit bad || NR != 7 }' "$f" \
  || fail "the file is not the header and six measured values: $(od -c "$f" | head -5)"
echo "ok: Save measured every test and wrote $(tr '\r\n' ' ' <"$f")"
shows "KORVELINE 2002" "" 10

# Load (Command16): a click on the file's name (File1: 4275,930; its first
# row), then OK.
click_twips "$main" 11265 9630 1095 465
chooser Load
xdotool mousemove --window "$chooser" 325 70 click 1
click_twips "$chooser" 5235 7470 1230 480
answer_notice "Load"
shows "KORVELINE 2002" "" 10
echo "ok: Load read the file"

# Compar (Option1(1) in Frame1: 7905+165, 9105+1065, 1905 x 360): the CPU
# comment panel (Picture7: 10770,960, 2625 x 555) turns blue, and no chooser
# opens, a file being loaded. Then the CPU row (Command1): the panel is blank
# while it runs; then its white text is the comparison, as wide as
# "100.0% (     0)"; "Error" would take a third of that.
panel() {  # panel MIN MAX: blue, with MIN to MAX px of text
  grab "$main" 721 67 169 31 | awk '
    $3 < 40 && $4 < 40 && $5 > 200 { blue++ }
    $3 > 200 && $4 > 200 && $5 > 200 { if (min == "" || $1 < min) min = $1; if ($1 > max) max = $1 }
    END { width = min == "" ? 0 : max - min + 1; print width; exit !(blue > NR / 2 && width >= '"$1"' && width <= '"$2"') }' >"$work/width"
}
click_twips "$main" 8070 10170 1905 360
wait_until 10 panel 0 999 || fail "the CPU comment panel did not turn blue"
mapped "KORVEL CommonDialog1" && fail "Compar opened Load although a file was loaded"
click_twips "$main" 2565 960 615 495
wait_until 30 panel 0 0 || fail "the CPU comment was not cleared for the run"
wait_until 60 panel 90 999 || fail "the CPU comment is $(cat "$work/width") px wide: no comparison shown"
stop
echo "ok: Compar mode shows the CPU comparison ($(cat "$work/width") px of text)"

echo "3 passed, 0 failed"
