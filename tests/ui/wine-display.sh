#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual X display of its own, for
# the tests and the screenshots of the Windows module's windows:
#
#   wine-display.sh PREFIX EXE [ARGS...]
#
# PREFIX is a Wine prefix for windows on a display (made on first use; not
# the prefix of the windowless tests, whose desktop has no display). The
# display is an Xvfb started by xvfb-run for this run alone (packages xvfb
# and xauth); Wine draws the windows' own frames and captions, as no window
# manager runs there. The wine server of the prefix is ended afterwards.
# Output goes through files, never a pipe (a pipe stays open as long as the
# wine server does); the exit status is the program's.
set -uo pipefail

[ $# -ge 2 ] || { echo "usage: $0 PREFIX EXE [ARGS...]" >&2; exit 2; }
export WINEPREFIX=$1
shift
WINE=${TAVRIN_WINE:-/usr/lib/wine/wine64}
WINESERVER=${TAVRIN_WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="wnaspi32=n;dlportio=n"
unset WAYLAND_DISPLAY

if [ -z "${TAVRIN_IN_XVFB:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "$0: xvfb-run is missing (package xvfb)" >&2; exit 1; }
  export TAVRIN_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$WINEPREFIX" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wine-display.XXXXXX")
# The 32-bit build on a machine that runs no 32-bit programs: skipped
# (status 77, CTest's SKIP_RETURN_CODE), with the reason.
if [ "${TAVRIN_WINE_ARCH:-}" = x86 ]; then
  reason=$(bash "$(dirname "$0")/../windows/probe-32bit.sh" "$work")
  case $? in
  0) ;;
  1) echo "SKIPPED: $reason"; rm -rf "$work"; exit 77 ;;
  *) rm -rf "$work"; exit 1 ;;
  esac
fi
trap '"$WINESERVER" -k </dev/null >/dev/null 2>&1; rm -rf "$work"' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" cmd.exe /c exit 0 </dev/null >"$work/prime.log" 2>&1 || { cat "$work/prime.log" >&2; exit 1; }
fi
# No window manager: Wine frames the windows itself.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
"$WINE" "$@" </dev/null >"$work/out" 2>"$work/err"
rc=$?
cat "$work/out"
cat "$work/err" >&2
exit $rc
