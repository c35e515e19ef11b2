#!/usr/bin/env bash
# Runs Windows test programs under Wine for CTest, with one wine server per
# test run (a cold start costs seconds):
#
#   wine.sh start PREFIX        makes the prefix (first time only), starts a
#                               persistent wineserver for it and primes it
#   wine.sh stop PREFIX         ends that wineserver
#   wine.sh run PREFIX EXE ARGS runs EXE under Wine with the prefix; its
#                               exit status is the program's
#
# TAVRIN_WINE names the loader (wine64 for the x86-64 build, wine for the
# 32-bit one, which makes a WoW64 prefix: a 32-bit program on 64-bit
# Windows). With TAVRIN_WINE_ARCH=x86, start first runs probe-32bit.sh: on
# a machine whose kernel runs no 32-bit programs it records the reason in
# PREFIX/no-32-bit.txt and starts nothing, and every run then prints that
# reason and exits with status 77, CTest's skip (SKIP_RETURN_CODE).
#
# Wine's output is never read through a pipe (a pipe stays open until the
# wine server ends, so a reader would wait for it): the program writes to
# files, which are copied to this script's standard output and error when
# it has ended. Every run gets the environment the tests rely on:
# WINEDEBUG=-all, no display (message boxes return at once), and Wine's own
# built-in wnaspi32.dll and dlportio.dll set aside for the files beside the
# program (WINEDLLOVERRIDES).
set -uo pipefail

WINE=${TAVRIN_WINE:-/usr/lib/wine/wine64}
WINESERVER=${TAVRIN_WINESERVER:-/usr/lib/wine/wineserver}

usage() {
  echo "usage: $0 start|stop PREFIX | run PREFIX EXE [ARGS...]" >&2
  exit 2
}

[ $# -ge 2 ] || usage
action=$1
export WINEPREFIX=$2
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="wnaspi32=n;dlportio=n"
unset DISPLAY WAYLAND_DISPLAY

skip=$WINEPREFIX/no-32-bit.txt

case "$action" in
start)
  mkdir -p "$WINEPREFIX"
  rm -f "$skip"
  if [ "${TAVRIN_WINE_ARCH:-}" = x86 ]; then
    reason=$(bash "$(dirname "$0")/probe-32bit.sh" "$WINEPREFIX/probe")
    case $? in
    0) ;;
    1)
      echo "$reason" >"$skip"
      echo "wine.sh: the 32-bit tests are skipped: $reason"
      exit 0
      ;;
    *) exit 1 ;;
    esac
  fi
  # The server daemonises itself; nothing of ours may stay open in it.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  # The first program in a fresh prefix sets it up (and says so on standard
  # error); later runs then start quietly.
  log=$WINEPREFIX/prime.log
  "$WINE" cmd.exe /c exit 0 </dev/null >"$log" 2>&1
  rc=$?
  if [ $rc -ne 0 ]; then
    cat "$log" >&2
    echo "wine.sh: $WINE cannot run programs in $WINEPREFIX (status $rc)" >&2
    exit 1
  fi
  ;;
stop)
  [ -f "$skip" ] && exit 0
  "$WINESERVER" -k </dev/null >/dev/null 2>&1
  exit 0
  ;;
run)
  [ $# -ge 1 ] || usage
  if [ -f "$skip" ]; then
    echo "SKIPPED: $(cat "$skip")"
    exit 77
  fi
  out=$(mktemp "${TMPDIR:-/tmp}/wine-run-out.XXXXXX")
  err=$(mktemp "${TMPDIR:-/tmp}/wine-run-err.XXXXXX")
  trap 'rm -f "$out" "$err"' EXIT
  "$WINE" "$@" </dev/null >"$out" 2>"$err"
  rc=$?
  cat "$out"
  cat "$err" >&2
  exit $rc
  ;;
*)
  usage
  ;;
esac
