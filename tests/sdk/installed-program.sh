#!/usr/bin/env bash
# The program directory as cmake --install lays it out (component program):
# what is in it, that the program runs from there (its libraries through
# their sonames beside it), that the manual page renders, and that the
# sample configuration, given a printer, moves a card; and that a station
# user who may not write the configuration still moves a DII card, the
# run's line naming the key it could not write.
#   installed-program.sh BUILD_DIR
# CUPS_SERVER names the private server.
set -euo pipefail
build=$1

work=$(mktemp -d /tmp/tavrin-prog-XXXXXX)
chmod 755 "$work"
queue=Card_Printer_Install_$$
cleanup() {
  lpadmin -x "$queue" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

prog=$work/opt/tavrin
cmake --install "$build" --component program --prefix "$prog" >/dev/null
for f in tavrin libscorpa.so.0 libvelkit.so.0 libdlportio.so libwnaspi32.so libscorpa-graphics.so \
  libtavrin-qt.so tavrin.ini.sample share/man/man1/tavrin.1.gz; do
  [ -e "$prog/$f" ] || fail "$f is not in the program directory"
done
[ ! -e "$prog/include" ] || fail "the SDK's headers came with the program"
[ ! -e "$prog/tavrin.ini" ] || fail "a configuration was installed; only the sample belongs there"

# The manual page renders, with the sections a station's administrator
# looks for.
page=$(MANWIDTH=80 man --warnings=w -l "$prog/share/man/man1/tavrin.1.gz" 2>"$work/man.err")
[ ! -s "$work/man.err" ] || fail "man warns: $(cat "$work/man.err")"
for section in NAME SYNOPSIS PARAMETERS COMMANDS FILES ENVIRONMENT "EXIT STATUS" LOG EXAMPLES; do
  grep -q "^$section" <<<"$page" || fail "the manual page has no $section"
done
grep -q "TAVRIN_EXIT_STATUS" <<<"$page" || fail "the manual page does not name TAVRIN_EXIT_STATUS"

# Without a display /i: prints the list.
list=$(env -u DISPLAY -u WAYLAND_DISPLAY TAVRIN_LOG=off "$prog/tavrin" /i:)
grep -q "/e:" <<<"$list" || fail "/i: printed no parameter list: $list"

# The sample, pointed at a queue of the private server whose jobs reach the
# testbed's virtual printer.
world=$work/world
mkdir -p "$world"
chmod 777 "$world"
lpadmin -p "$queue" -E -v "tavrin-testbed:$world" -m raw
sed -e "s/^PrinterName=.*/PrinterName=$queue/" -e "s/^Pause=.*/Pause=0/" "$prog/tavrin.ini.sample" >"$prog/tavrin.ini"
status=0
err=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY TAVRIN_EXIT_STATUS=1 TAVRIN_LOG=stderr \
  TAVRIN_TESTBED_DIR="$world" "$prog/tavrin" /e:FEED 2>&1) || status=$?
[ "$status" -eq 0 ] || fail "/e:FEED with the sample ended with $status: $err"
grep -q "^tavrin: arg=/e:FEED action=command config=$prog/tavrin.ini printer=$queue type=ESCPRINTERS mode=USB" \
  <<<"$err" || fail "unexpected log line: $err"
for _ in $(seq 100); do [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] && break; sleep 0.1; done
cat "$world"/jobs/*.bin 2>/dev/null | cmp -s - <(printf '\033MS\r\n\033MS 2\r\n') ||
  fail "the sample's Insert and Pre did not reach the printer: $(cat "$world"/jobs/*.bin 2>/dev/null | od -c)"

# A DII station whose user (nobody) may write the handle file but not the
# configuration: FEED and EJECT still move the card and carry the handle,
# and the run's line says that [StatusWindow] Visible was not written, and
# why. Only root could have written it; the file stays as it was.
printf '[PrinterConfiguration]\nPrinterName=%s\nPrinterType=DII\nPrinterMode=0\nContact=1\nCMDDelay=0\n' "$queue" \
  >"$prog/tavrin.ini"
chmod 644 "$prog/tavrin.ini"
: >"$prog/Phandle.dat"
chown nobody "$prog/Phandle.dat"
rm -rf "$world"/*
as_station() {
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY TAVRIN_EXIT_STATUS=1 TAVRIN_LOG=stderr TAVRIN_TESTBED_DIR="$world" \
    TAVRIN_PRINTER_DRIVER_DIR="$build/testbed" setpriv --reuid=nobody --regid=nogroup --clear-groups "$prog/tavrin" "$@" 2>&1)
}
config_before=$(cat "$prog/tavrin.ini")
for command in FEED EJECT; do
  status=0
  err=$(as_station "/e:$command") || status=$?
  [ "$status" -eq 0 ] || fail "/e:$command as a station user ended with $status: $err"
  grep -q 'unwritten="StatusWindow/Visible: Permission denied" .*family=done outcome=ok' <<<"$err" ||
    fail "/e:$command: the line does not name the key not written: $err"
done
[ "$(cat "$prog/tavrin.ini")" = "$config_before" ] || fail "the configuration changed: $(cat "$prog/tavrin.ini")"
[ "$(cat "$prog/Phandle.dat")" = "$(printf '[Phandle]\nHandle=4242')" ] || fail "Phandle.dat: $(cat "$prog/Phandle.dat")"
grep -q '^dii: ExtEncodeEnd(4242, 0) = 0$' "$world/calls.log" || fail "EJECT did not hand back the handle: $(cat "$world/calls.log")"
echo "ok"
