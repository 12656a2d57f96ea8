#!/usr/bin/env bash
# Each information button opens "KORVEL information" in place of the main
# window with this machine's facts (their layout is the unit tests' business),
# and its OK brings the main window back. In the OS text a paste of nothing
# changes and ends nothing; a middle click pastes the selection. The resource
# program answers for real: the program folder is the built one.
source "$(dirname "$0")/xvfb_lib.sh"
command -v xclip >/dev/null || fail "xclip is missing (scripts/setup-deps installs it)"

start_main "$work/h" "$work/h/data"

release=$(uname -r)
IFS=. read -r major minor build _ <<<"${release//[^0-9.]/.}"
pretty=$( . /etc/os-release 2>/dev/null || . /usr/lib/os-release; printf '%s' "${PRETTY_NAME:-}")
quote() { printf '%s' "$1" | sed 's/[][\.*^$(){}+?|/]/\\&/g'; }
# info NAME LEFT TOP WORD PATTERN...: the button at LEFT,TOP on the main
# window (twips) opens the text headed "[ WORD infomation ]", which holds a
# line matching each PATTERN (an extended regular expression).
info() {
  local name=$1 left=$2 top=$3 word=$4 iw w
  shift 4
  click_twips "$main" "$left" "$top" 1095 465
  shows "KORVEL information" "KORVELINE 2002"; iw=$win
  # The text box (Text1: 795,750 twips). The CPU text comes after the clock
  # estimate, more than a second later.
  headed() { box_text "$iw" 300 300 >"$work/got" && [ "$(head -n1 "$work/got")" = "[ $word infomation ]" ]; }
  wait_until 20 headed || fail "$name: no text under its header: $(head -n3 "$work/got")"
  for w in "$@"; do
    grep -qxE -- "$w" "$work/got" || fail "$name: no line /$w/ in: $(cat "$work/got")"
  done
  # A paste into the box, at its first character (53,50 pixels and a frame).
  [ "$name" = OS ] && paste_into "$iw" 57 56
  click_twips "$iw" 8670 8400 990 465   # OK (Command1)
  shows "KORVELINE 2002" "KORVEL information"
  [ -e "$(dirname "$exe")/KV_16.TXT" ] && fail "$name: the resource program's answer was left behind"
  echo "ok: $name"
}
info OS 5175 9570 OS " OS Version   : $major\\.$minor" " BUILD Number : ${build:-0}" "more :$(quote "${pretty:0:127}")"
info CPU 3945 9570 CPU ' number of processor : [1-9][0-9]*' ' estimate clock: +[1-9][0-9]* MHz \( at PENTIUM III \)'
info Mem 3945 10185 Memory ' Total memory +: +[1-9][0-9]* MB'
info Drive 5190 10170 'Disk Drive' 'C:\\  (Fixed    |Removable|Remote   |RAM Drive) Size: +[1-9][0-9]* MB  Free : +[0-9]+ MB'
info misc 6390 9585 Screen 'Screen Size: 1280\*1024'
stop
echo "5 passed, 0 failed"
