#!/usr/bin/env bash
# ALL runs the six rows along the lit path; "Fighting Capacity" opens the
# overall result, which lights its gauge and shows Report; the certificate
# takes a paste (of nothing, then of the selection) into its box, File Out
# writes that into the report file, and OK brings the main window back.
source "$(dirname "$0")/xvfb_lib.sh"

start_main "$work/h" "$work/h/data"

# 1. ALL (Command8). The band behind the ALL box (Shape4) turns pale yellow
# while the run goes on and dark yellow again at its end.
click_twips "$main" 2370 8055 600 495
wait_until 20 painted "$main" 266 513 255 255 128 || fail "the connector path did not light up"
wait_until 150 painted "$main" 266 513 192 192 0 || fail "the ALL run did not end within 150 s"
# Every value panel holds dark digits on its light green.
for top in 945 2025 3150 4230 5325 6465; do
  dark=$(grab "$main" 230 $(( top / 15 )) 138 33 | awk '$3 + $4 + $5 < 200 { n++ } END { print n + 0 }')
  [ "$dark" -gt 20 ] || fail "the value panel at $top twips is empty after ALL"
done
echo "ok: ALL ran the six rows"

# 2. "Fighting Capacity" (Command9) hides the main window and opens the
# overall result. Report (6630,1590, 1095 x 465) shows when its spot no
# longer looks as it did at first. Bar 1 of the window's gauge (red 255,
# green 15) lies 4280 twips into the picture box at 2355,1425.
click_twips "$main" 7245 7905 1125 720
shows "KORVEL F_Capacity" "KORVELINE 2002"; fc=$win
hidden=$(grab "$fc" 478 121 1 1) || fail "no screenshot of the overall result"
report_shown() { now=$(grab "$fc" 478 121 1 1) && [ "$now" != "$hidden" ]; }
wait_until 15 report_shown || fail "Report did not appear within 15 s"
painted "$fc" 279 382 255 15 0 || fail "the gauge's first bar is not (255,15,0): $(pixels "$work/shot.png" 279 382 1 1)"
echo "ok: the overall result lights its gauge and shows Report"

# 3. The certificate: Report (Command14); a paste into the report box (Text1:
# 285,2070 twips) at its first character; File Out (Command1), whose notice
# is answered; then OK (Command2).
click_twips "$fc" 6630 1590 1095 465
shows "KORVELINE 2002 Report" "KORVEL F_Capacity" 10; rep=$win
paste_into "$rep" 21 144
click_twips "$rep" 7830 165 1830 495
answer_notice "File Out"
rf="$work/h/data/KV_REP.txt"
[ -s "$rf" ] || fail "File Out wrote no report file"
grep -q '^kvpasteCPU index' "$rf" || fail "the record does not hold the pasted text"
head -c 78 "$rf" | grep -qx 'z\{78\}' || fail "the report file does not start with the record's line of z"
grep -q '総合戦闘力 : [0-9]' "$rf" || fail "the report file holds no overall score"
click_twips "$rep" 7935 10215 1710 555
shows "KORVELINE 2002" "KORVELINE 2002 Report" 10
echo "ok: the certificate writes the report file and OK brings the main window back"
