#!/usr/bin/env bash
# The program directory as cmake --install lays it out (component program):
# what is in it, that the program runs from there (its libraries through
# their sonames beside it), that the manual page renders, and that the
# sample configuration, given a printer, moves a card.
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
echo "ok"
