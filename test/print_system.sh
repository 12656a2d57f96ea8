#!/usr/bin/env bash
# A private CUPS scheduler for the printing tests, run as root from its own
# folder: it listens only on a socket file there, keeps its spool, cache,
# state and logs there, and has one raw queue "kvtest" (the default) whose
# backend copies each job's document to DIR/printed.pdf.
#   print_system.sh start DIR   (DIR exists and is empty)
#   print_system.sh stop DIR
# Every wait is bounded; a failure prints the scheduler's log.
set -euo pipefail

cmd=${1:?start or stop}
dir=${2:?folder}
export CUPS_SERVER="$dir/cups.sock"

fail() {
  echo "print_system: $*" >&2
  [ -f "$dir/log/error_log" ] && tail -n 30 "$dir/log/error_log" >&2
  exit 1
}

if [ "$cmd" = stop ]; then
  pid=$(cat "$dir/cupsd.pid" 2>/dev/null) && kill -TERM "$pid" 2>/dev/null || exit 0
  timeout 10 tail -s 0.1 --pid="$pid" -f /dev/null || kill -KILL "$pid" 2>/dev/null || true
  exit 0
fi
[ "$cmd" = start ] || fail "unknown command $cmd"

[ "$(id -u)" -eq 0 ] || fail "the scheduler needs root"
for tool in cupsd lpadmin lpstat; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done

mkdir -p "$dir"/{conf,bin/backend,spool/tmp,cache,state,log}
chmod 755 "$dir" "$dir/bin" "$dir/bin/backend"
ln -s /usr/lib/cups/daemon /usr/lib/cups/notifier "$dir/bin/"

# The backend runs as root because only root may read it (mode 700); it
# takes the job's file (or standard input) and renames it into place, so the
# output appears whole.
cat >"$dir/bin/backend/kvtest" <<'EOF'
#!/bin/sh
[ $# -ne 0 ] || { echo 'direct kvtest "Unknown" "Test file backend"'; exit 0; }
out=${DEVICE_URI#kvtest:}
if [ $# -ge 6 ]; then cat "$6" >"$out.part"; else cat >"$out.part"; fi
mv "$out.part" "$out"
EOF
chmod 700 "$dir/bin/backend/kvtest"

cat >"$dir/conf/cupsd.conf" <<EOF
Listen $CUPS_SERVER
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
EOF

cat >"$dir/conf/cups-files.conf" <<EOF
User lp
Group lp
SystemGroup root
ServerRoot $dir/conf
ServerBin $dir/bin
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
EOF

# Even a test that dies before it stops the scheduler leaves none behind
# for long: it ends by itself after ten minutes.
timeout 600 cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" \
  </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"

answers() {
  kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || fail "the scheduler ended at start"
  [ -S "$CUPS_SERVER" ] && timeout 5 lpstat -r >/dev/null 2>&1
}
for _ in $(seq 1 100); do answers && break; sleep 0.1; done
answers || fail "the scheduler did not answer within 10 s"

timeout 20 lpadmin -p kvtest -E -v "kvtest:$dir/printed.pdf" || fail "lpadmin could not add the queue"
timeout 20 lpadmin -d kvtest || fail "lpadmin could not make the queue the default"
