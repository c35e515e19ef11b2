#!/usr/bin/env bash
# A private CUPS server for the tests and the demo: its own configuration,
# spool and logs in DIR, listening only on the Unix socket DIR/cups.sock,
# with the testbed backend as its only backend of our own.
#
#   private-cupsd.sh start DIR BACKEND   start (BACKEND: the built backend)
#   private-cupsd.sh queue DIR NAME WORLD  add queue NAME feeding WORLD
#   private-cupsd.sh stop DIR            stop and remove DIR
#
# Clients reach it with CUPS_SERVER=DIR/cups.sock.
set -euo pipefail

cmd=${1:?usage: private-cupsd.sh start|queue|stop DIR ...}
dir=${2:?DIR missing}

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}

case "$cmd" in
start)
  backend=${3:?BACKEND missing}
  [ -d "$dir" ] && stop
  mkdir -p "$dir"/{etc/ppd,bin/backend,spool/tmp,cache,state,logs,worlds}
  chmod 755 "$dir" "$dir/worlds"
  for f in /usr/lib/cups/*; do
    [ "$(basename "$f")" = backend ] || ln -s "$f" "$dir/bin/"
  done
  # Mode 0700: cupsd runs the backend as root, so it can write any world.
  install -m 0700 "$backend" "$dir/bin/backend/tavrin-testbed"
  cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
ServerBin $dir/bin
DataDir /usr/share/cups
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/logs/access_log
ErrorLog $dir/logs/error_log
PageLog $dir/logs/page_log
User lp
Group lp
SystemGroup root
CONF
  cat >"$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing Off
DefaultShared No
WebInterface No
JobRetryInterval 1
PreserveJobFiles No
PreserveJobHistory Yes
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  chown -R root:lp "$dir/spool" "$dir/cache" "$dir/state" 2>/dev/null || true
  chmod 0770 "$dir/spool" "$dir/spool/tmp"
  /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/logs/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  for _ in $(seq 100); do
    if [ -S "$dir/cups.sock" ] && CUPS_SERVER="$dir/cups.sock" lpstat -r >/dev/null 2>&1; then
      exit 0
    fi
    sleep 0.1
  done
  echo "private cupsd did not start; its log:" >&2
  cat "$dir/logs/error_log" "$dir/logs/cupsd.out" >&2 2>/dev/null || true
  exit 1
  ;;
queue)
  name=${3:?NAME missing}
  world=${4:?WORLD missing}
  mkdir -p "$world"
  CUPS_SERVER="$dir/cups.sock" lpadmin -p "$name" -E -v "tavrin-testbed:$world" -m raw 2>/dev/null ||
    CUPS_SERVER="$dir/cups.sock" lpadmin -p "$name" -E -v "tavrin-testbed:$world" -m raw
  ;;
stop)
  stop
  ;;
*)
  echo "unknown command $cmd" >&2
  exit 2
  ;;
esac
