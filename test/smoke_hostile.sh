#!/usr/bin/env bash
# The real program against an unlucky machine: no display, a signal during
# the HDD test, a test drive unmounted under it, a sound device that never answers.
source "$(dirname "$0")/xvfb_lib.sh"
passed=0; skipped=0
hdd() { click_twips "$main" 2610 4260 615 495; }   # the HDD row's start button

# 1. No display: one line that says what is needed, status 1 (not Qt's
# abort with its advice to reinstall).
mkdir -p "$work/nd"
nowhere=":4711"; [ -e /tmp/.X11-unix/X4711 ] && nowhere=":4712"
for display in "" "$nowhere"; do
  status=0
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DISPLAY ${display:+DISPLAY="$display"} HOME="$work/nd" \
    timeout 20 "$exe" >"$work/nd/out" 2>"$work/nd/err" || status=$?
  [ "$status" -eq 1 ] || fail "no display (${display:-unset}): status $status, not 1: $(head -c 300 "$work/nd/err")"
  [ "$(wc -l <"$work/nd/err")" -eq 1 ] && grep -q 'DISPLAY' "$work/nd/err" && grep -q 'xvfb-run' "$work/nd/err" \
    || fail "no display (${display:-unset}): not one line naming DISPLAY and xvfb-run: $(head -c 300 "$work/nd/err")"
  [ ! -s "$work/nd/out" ] || fail "no display (${display:-unset}): wrote to standard output"
done
echo "ok: without a display, one line and status 1"; passed=$((passed + 1))

# 2. A signal that ends the program during the HDD test: the scratch file
# in the test drive's root (C: is the home folder) goes first, and the
# program ends by that signal. It is sent once the file has data, so the
# program has taken charge of it.
for sig in TERM INT HUP; do
  h="$work/sig$sig"
  start_main "$h" "$h/data"
  hdd
  wait_until 15 test -s "$h/kv_test1.txt" || fail "SIG$sig: the HDD test wrote no scratch file"
  kill -s "$sig" "$pid" || fail "SIG$sig: the program had already ended"
  wait_end 10 || fail "SIG$sig: the program did not end within 10 s"
  expected=$(( 128 + $(kill -l "$sig") ))
  [ "$status" -eq "$expected" ] || fail "SIG$sig: status $status, not $expected"
  [ ! -e "$h/kv_test1.txt" ] || fail "SIG$sig: the scratch file stayed ($(stat -c %s "$h/kv_test1.txt") bytes)"
done
echo "ok: a signal during the HDD test removes the scratch file and ends the program"; passed=$((passed + 1))

# 3. The test drive unmounted while the program runs: the HDD test must not
# write into the bare mount-point folder beneath. The home folder is a
# tmpfs in a mount namespace of the program's own; unmounted there, the
# folder is the plain one this script sees.
if [ "$(id -u)" -eq 0 ]; then
  h="$work/mnt"; mkdir -p "$h"
  settings "$work/mnt-seed" "$work/mnt-seed/data"
  start "$h" unshare -m --propagation private sh -c \
    'mount -t tmpfs -o size=64m kvhome "$0" && cp -r "$1/.config" "$0/" && cd "$0" && shift && exec "$@"' "$h" "$work/mnt-seed"
  main_ready
  nsenter -t "$pid" -m umount -l "$h" || fail "unmount: could not unmount the home tmpfs"
  hdd
  ! wait_until 6 test -e "$h/kv_test1.txt" || fail "unmount: the HDD test wrote into the bare mount point"
  kill -0 "$pid" 2>/dev/null || fail "unmount: the program ended"
  stop
  echo "ok: an unmounted test drive is not written to"; passed=$((passed + 1))
else
  echo "skip: unmounting a drive under the program needs root (CI runs as root)"; skipped=$((skipped + 1))
fi

# 4. A sound device that never answers (ALSA's file plugin writing into a
# FIFO nobody reads): the CPU run goes on to its end, and END then ends the
# program at once (during a run the window is locked, and END with it).
mkfifo "$work/snd.fifo"
printf 'pcm.!default { type file slave.pcm { type null } file "%s" format "raw" }\n' "$work/snd.fifo" >"$work/asound.conf"
start_main "$work/snd" "$work/snd/data" ALSA_CONFIG_PATH="$work/asound.conf"
click_twips "$main" 2565 960 615 495   # the CPU row's start button
stuck() { grep -qs wait_for_partner /proc/"$pid"/task/*/wchan; }
wait_until 10 stuck || fail "stuck sound: no thread waits on the FIFO, so this case does not arise"
wait_until 30 cpu_name "$main" lit || fail "stuck sound: the CPU run did not start"
wait_until 60 cpu_name "$main" rest || fail "stuck sound: the CPU run did not end"
click_twips "$main" 13215 10320 1095 480   # END
started=$(date +%s%N)
wait_end 10 || fail "stuck sound: the program did not end within 10 s of END"
took=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$status" -eq 0 ] || fail "stuck sound: status $status after END"
[ "$took" -lt 2000 ] || fail "stuck sound: END took $took ms"
echo "ok: a stuck sound device does not hold up the end ($took ms)"; passed=$((passed + 1))

echo "$passed passed, 0 failed, $skipped skipped"
