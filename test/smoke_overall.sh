#!/usr/bin/env bash
# The real program on a virtual X display: ALL runs the six rows along the lit
# connector path and fills every value panel; "Fighting Capacity" then opens
# the overall-result window, which computes the score, lights its gauge in
# its colours and shows Report; OK brings the main window back. Last, the
# certificate: Report, a paste into its report box (of nothing, then of the
# selection), File Out, OK writes the report file with the pasted text and
# brings the main window back.
# FC_OPENINGS=n opens the overall result n times and prints how long each took
# from the click to Report being shown.
set -euo pipefail
exe="$1"
source "$(dirname "$0")/xvfb_lib.sh"

start_main "$work/h" "$work/h/data"
win=$main
wait_until 10 painted "$win" $(( 4000 / 15 )) $(( 7700 / 15 )) 192 192 0 || fail "the main window was not painted"

# pixel WINDOW X Y: "r g b" of one pixel of a window, now.
pixel() {
  shot "$1" "$work/shot.png" || return 1
  pixels "$work/shot.png" "$2" "$3" 1 1 | awk '{ print $3, $4, $5 }'
}
# same "r g b" "r g b": within 2 of each other.
same() {
  awk -v a="$1" -v b="$2" 'BEGIN {
    n = split(a, x, " "); m = split(b, y, " ")
    for (i = 1; i <= 3; i++) { d = x[i] - y[i]; if (d * d > 4) exit 1 }
    exit !(n == 3 && m == 3) }'
}

# 1. ALL. The band behind the ALL box (Shape4) turns pale yellow while the
# run goes on and dark yellow again at its end.
band_x=$(( 4000 / 15 )); band_y=$(( 7700 / 15 ))
click_twips "$win" 2370 8055 600 495   # ALL (Command8)
wait_until 20 painted "$win" "$band_x" "$band_y" 255 255 128 || fail "the connector path did not light up"
wait_until 150 painted "$win" "$band_x" "$band_y" 192 192 0 || fail "the ALL run did not end within 150 s"

# Every value panel holds dark digits on its light green.
shot "$win" "$work/main.png"
for top in 945 2025 3150 4230 5325 6465; do
  dark=$(convert "$work/main.png" -crop "$(( 2070 / 15 ))x$(( 500 / 15 ))+$(( 3450 / 15 ))+$(( top / 15 ))" +repage \
           -depth 8 txt:- | awk -F'[(),]' 'NR > 1 && $3 + $4 + $5 < 200 { n++ } END { print n + 0 }')
  [ "$dark" -gt 20 ] || fail "the value panel at $top twips is empty after ALL"
done
echo "ok: ALL ran the six rows"

# 2. "Fighting Capacity" (Command9). Bar 1 of the window's gauge (red 255,
# green 15) lies 4280 twips into the picture box at 2355,1425; Report at
# 6630,1590.
open_overall() {
  click_twips "$win" 7245 7905 1125 720
  wait_mapped "KORVEL F_Capacity" 30 || fail "the overall-result window did not open"
  mapped "KORVELINE 2002" && fail "the main window stayed visible beside the overall result"
  fc=$(window "KORVEL F_Capacity")
  report=$(pixel "$fc" $(( (6630 + 547) / 15 )) $(( (1590 + 232) / 15 )))
  # Report shows when its spot no longer looks as it did while hidden.
  shown=""
  for _ in $(seq 1 300); do
    now=$(pixel "$fc" $(( (6630 + 547) / 15 )) $(( (1590 + 232) / 15 ))) || continue
    if [ -n "$now" ] && ! same "$report" "$now"; then shown=1; break; fi
    sleep 0.05
  done
  [ -n "$shown" ] || fail "Report did not appear within the wait"
}
openings=${FC_OPENINGS:-1}
for n in $(seq 1 "$openings"); do
  t0=$(date +%s%N)
  open_overall
  echo "opening $n: Report shown $(( ($(date +%s%N) - t0) / 1000000 )) ms after the click"
  painted "$fc" $(( (2355 + 1830) / 15 )) $(( (1425 + 4280) / 15 + 2 )) 255 15 0 \
    || fail "the gauge's first bar is not (255,15,0): $(pixel "$fc" $(( (2355 + 1830) / 15 )) $(( (1425 + 4280) / 15 + 2 )))"
  # OK: the main window comes back and the window goes.
  click_twips "$fc" 6780 7230 990 465   # OK (Command1)
  wait_mapped "KORVELINE 2002" 10 || fail "OK did not bring the main window back"
  mapped "KORVEL F_Capacity" && fail "the overall-result window stayed after OK"
done
echo "ok: the overall result opens, lights its gauge and closes with OK"

# 3. The certificate: Report (Command14), File Out (Command1: 7830,165), whose
# notice is answered, then OK (Command2: 7935,10215).
open_overall
click_twips "$fc" 6630 1590 1095 465
wait_mapped "KORVELINE 2002 Report" 10 || fail "Report did not open the certificate"
mapped "KORVEL F_Capacity" && fail "the overall-result window stayed beside the certificate"
rep=$(window "KORVELINE 2002 Report")
sleep 0.5
# A paste into the report box (Text1: 285,2070 twips), at its first character.
paste_into "$rep" 21 144
click_twips "$rep" 7830 165 1830 495
answer_notice "File Out"
[ -s "$work/h/data/KV_REP.txt" ] || fail "File Out wrote no report file"
grep -q '^kvpasteCPU index' "$work/h/data/KV_REP.txt" || fail "the record does not hold the pasted text"
head -c 78 "$work/h/data/KV_REP.txt" | grep -qx 'z\{78\}' || fail "the report file does not start with the record's line of z"
grep -q '総合戦闘力 : [0-9]' "$work/h/data/KV_REP.txt" || fail "the report file holds no overall score"
click_twips "$rep" 7935 10215 1710 555
wait_mapped "KORVELINE 2002" 10 || fail "the certificate's OK did not bring the main window back"
mapped "KORVELINE 2002 Report" && fail "the certificate stayed after its OK"
echo "ok: the certificate writes the report file and OK brings the main window back"
