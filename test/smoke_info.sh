#!/usr/bin/env bash
# The real program on a virtual X display: each information button hides the
# main window and opens "KORVEL information" with its text, read back through
# the X selection; a paste of nothing changes it and ends nothing, a middle
# click pastes the selection; OK brings the main window back. The program
# folder is the built one, so the resource program answers for real.
set -euo pipefail
exe="$1"
source "$(dirname "$0")/xvfb_lib.sh"
command -v xclip >/dev/null || fail "xclip is missing (scripts/setup-deps installs it)"

start_main "$work/h" "$work/h/data"
win=$main
sleep 1

# The text box's content: a click into it, Ctrl+A (which its key hook lets
# through), then the PRIMARY selection. Lines end in LF there.
read_info() {
  local iw
  iw=$(xdotool search --onlyvisible --name '^KORVEL information$' | head -n1) || return 1
  # Text1 lies at 795,750 twips in the window, 8985 x 7455.
  box_text "$iw" 300 300
}

# check NAME: the captured text against the patterns in $work/NAME.want, one
# extended regular expression per line, every line anchored.
check() {
  awk -v name="$1" 'NR == FNR { want[++n] = $0; next }
       { got[++m] = $0 }
       END {
         if (m != n) { printf "%s: %d lines, wanted %d\n", name, m, n; bad = 1 }
         for (i = 1; i <= n && i <= m; i++)
           if (got[i] !~ ("^" want[i] "$")) { printf "%s line %d: [%s] !~ [%s]\n", name, i, got[i], want[i]; bad = 1 }
         exit bad
       }' "$work/$1.want" "$work/$1.got"
}

# The expected lines: the header, two empty lines, then each line and an
# empty one. Arguments are regular expressions.
want() {
  local name=$1; shift
  { printf '%s\n\n\n' "$1"; shift; for l in "$@"; do printf '%s\n\n' "$l"; done; } >"$work/$name.want"
}

release=$(uname -r)
IFS=. read -r major minor build _ <<<"${release//[^0-9.]/.}"
pretty=$( . /etc/os-release 2>/dev/null || . /usr/lib/os-release; printf '%s' "${PRETTY_NAME:-}")
quote() { printf '%s' "$1" | sed 's/[][\.*^$(){}+?|/]/\\&/g'; }
want OS '\[ OS infomation \]' ' Platform     : Unknown' " OS Version   : $major\\.$minor" \
  " BUILD Number : ${build:-0}" "more :$(quote "${pretty:0:127}")"
hex='[0-9A-F]+'
# Blank or digit, five times (mawk has no {n}); a 7-column MB figure.
d5='[ 0-9][ 0-9][ 0-9][ 0-9][ 0-9]'
mb7="$d5[ 0-9][0-9]+"
# The level line spans two lines at level 6 only.
cpu_want() {
  local level=' processor Level :(80386|80486|Pentium|？？？)'
  grep -q '^ processor Level :Pentium Pro' "$work/CPU.got" \
    && level=$(printf ' processor Level :Pentium Pro/Pentium II/\n                   Pentium III and later')
  want CPU '\[ CPU infomation \]' ' processor of (INTEL or compatible|？？？)' \
    ' processor Type :(386|486|Pentium and later|？？？)' "$level" \
    " processor rev :$hex" ' page size : [0-9]+byte' " Minimum Application Address : ${hex}\\(hex\\)" \
    " Maximum Application Address : ${hex}\\(hex\\)" " active processor mask bit : $hex \\(hex\\)" \
    ' number of processor : [0-9]+' ' memory Allocation Granularity : [0-9]+ byte' \
    ' estimate clock: [ 0-9][ 0-9][ 0-9][0-9]+ MHz \( at PENTIUM III \)'
}
mem() { printf ' %-24s: [0-9]* MB%s' "$1" "${2:-}"; }
want Mem '\[ Memory infomation \]' \
  "$(mem 'Total memory')" "$(mem 'Free  memory')" "$(mem 'Used  memory' ' \([0-9]+%\)')" \
  "$(mem 'Total pagefile')" "$(mem 'Free  pagefile')" "$(mem 'Used  pagefile' ' \([0-9]+%\)')" \
  "$(mem 'Total Virtual memory')" "$(mem 'Free  Virtual memory')" "$(mem 'Used  Virtual memory' ' \([0-9]+%\)')"
want misc '\[ Screen infomation \]' 'Screen Size: 1280\*1024' \
  "USER Resource free : $d5%" "GDI  Resource free : $d5%"

# Drive: one line per drive, C: first; the patterns follow the drive count.
drive_lines() {
  local n
  n=$(grep -c '^[A-Z]:\\' "$work/Drive.got" || true)
  [ "$n" -ge 1 ] || return 1
  local lines=('C:\\  (Fixed    |Removable|Remote   |RAM Drive) Size: ( not ready |'"$mb7"' MB  Free : '"$mb7"' MB)')
  for _ in $(seq 2 "$n"); do
    lines+=('[D-Z]:\\  (Fixed    |Removable|Remote   |CD ROM   |RAM Drive) Size: ( not ready |'"$mb7"' MB  Free : '"$mb7"' MB)')
  done
  want Drive '\[ Disk Drive infomation \]' "${lines[@]}"
}

# name, left and top of the button on the main window (twips), its header
for b in "OS 5175 9570 OS" "CPU 3945 9570 CPU" "Mem 3945 10185 Memory" "Drive 5190 10170 Disk Drive" \
         "misc 6390 9585 Screen"; do
  set -- $b
  header="[ ${*:4} infomation ]"
  xdotool mousemove --window "$win" $(( ($2 + 1095 / 2) / 15 )) $(( ($3 + 465 / 2) / 15 )) click 1
  wait_mapped "KORVEL information" 30 || fail "$1: the information window did not open"
  mapped "KORVELINE 2002" && fail "$1: the main window stayed visible"
  # The CPU text comes after the clock estimate, more than a second later.
  for _ in $(seq 1 40); do
    read_info >"$work/$1.got" || true
    [ "$(head -n1 "$work/$1.got")" = "$header" ] && break
    sleep 0.5
  done
  [ "$1" = CPU ] && cpu_want
  [ "$1" = Drive ] && { drive_lines || fail "Drive: no drive listed: $(cat "$work/Drive.got")"; }
  check "$1" || fail "$1: text not as expected"
  iw=$(xdotool search --onlyvisible --name '^KORVEL information$' | head -n1)
  # A paste into the box, at its first character (53,50 pixels and a frame).
  [ "$1" = OS ] && paste_into "$iw" 57 56
  # OK (Command1): 8670,8400 twips, 990 x 465.
  xdotool mousemove --window "$iw" $(( (8670 + 990 / 2) / 15 )) $(( (8400 + 465 / 2) / 15 )) click 1
  wait_mapped "KORVELINE 2002" 30 || fail "$1: OK did not bring the main window back"
  mapped "KORVEL information" && fail "$1: the information window stayed open after OK"
  [ -e "$(dirname "$exe")/KV_16.TXT" ] && fail "$1: the resource program's answer was left behind"
  echo "ok: $1"
  sleep 0.5
done
stop
echo "5 passed, 0 failed"
