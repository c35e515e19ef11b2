#!/usr/bin/env bash
# Checks the Debian package as a station gets it, without touching this
# machine's installation: the .deb is installed with dpkg into a scratch
# root (dpkg --root) whose package database is a copy of this machine's, so
# dpkg checks the declared dependencies against what is installed here, and
# nothing outside the scratch root changes. Then, from inside that root:
#   - the files are where Debian and the README say;
#   - "man tavrin" finds and renders the manual page;
#   - "tavrin /i:" runs from the PATH;
#   - the two C examples compile against the SDK through pkg-config and run.
#   packaging/check-deb.sh PACKAGE.deb
# Needs root (dpkg), dpkg-dev's tools, man-db, a C compiler and pkg-config.
set -euo pipefail
deb=$(realpath "$1")
src=$(cd "$(dirname "$0")/.." && pwd)
root=$(mktemp -d /tmp/tavrin-deb-XXXXXX)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

echo "== $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libc6 libstdc++6 libcups2 libgdk-pixbuf libpango libqt6widgets6; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done

admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers" "$root/etc"
cp /var/lib/dpkg/status "$admin/status"
touch "$admin/available" "$root/etc/ld.so.conf"
# The packages installed here, with no files in the scratch root.
dpkg-query -W -f='${binary:Package}\n' | while read -r installed; do : >"$admin/info/$installed.list"; done
# The package's scripts run ldconfig. The scratch root has no shell to
# chroot into, so they run outside it (dpkg sets DPKG_ROOT for them), and
# the ldconfig they find first rebuilds the scratch root's cache, not this
# machine's.
shim=$root/.shim
mkdir -p "$shim"
printf '#!/bin/sh\nexec /sbin/ldconfig -r "${DPKG_ROOT:?}" "$@"\n' >"$shim/ldconfig"
chmod +x "$shim/ldconfig"
PATH=$shim:$PATH dpkg --root="$root" --force-script-chrootless --no-triggers -i "$deb"
[ -e "$root/etc/ld.so.cache" ] || fail "the package's ldconfig did not run in the scratch root"
[ "$(dpkg-query --admindir="$admin" -W -f='${Status}' tavrin)" = "install ok installed" ] ||
  fail "dpkg does not have tavrin installed"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for f in opt/tavrin/tavrin opt/tavrin/libscorpa.so.0 opt/tavrin/libvelkit.so.0 opt/tavrin/libtavrin-qt.so \
  opt/tavrin/tavrin.ini.sample usr/bin/tavrin usr/include/velkit/Velkit.h usr/include/velkit/ResultCodes.h \
  usr/include/scorpa/Scorpa.h usr/include/dlportio/DlPortIO.h "usr/lib/$multiarch/libvelkit.so.0" \
  "usr/lib/$multiarch/pkgconfig/velkit.pc" "usr/lib/$multiarch/pkgconfig/scorpa.pc"; do
  [ -e "$root/$f" ] || fail "/$f is not installed"
done
[ "$(readlink "$root/usr/bin/tavrin")" = ../../opt/tavrin/tavrin ] || fail "/usr/bin/tavrin does not point at the program"

# The manual page, looked up by name. A machine whose dpkg leaves manual
# pages out (path-exclude, as container images do) gets it from the package.
manroot=$root
if [ ! -e "$root/usr/share/man/man1/tavrin.1.gz" ]; then
  grep -rqs "path-exclude=/usr/share/man" /etc/dpkg/dpkg.cfg.d || fail "the manual page is not installed"
  manroot=$root/unpacked
  dpkg-deb -x "$deb" "$manroot"
fi
page=$(MANPATH=$manroot/usr/share/man MANWIDTH=80 man -P cat tavrin)
for section in NAME SYNOPSIS "EXIT STATUS" ENVIRONMENT FILES; do
  grep -q "^$section" <<<"$page" || fail "man tavrin shows no $section"
done
echo "man tavrin: $(grep -c . <<<"$page") lines"

# tavrin from the PATH, as a station's script calls it.
export PATH=$root/usr/bin:$PATH
[ "$(command -v tavrin)" = "$root/usr/bin/tavrin" ] || fail "tavrin is not the package's on the PATH"
list=$(env -u DISPLAY -u WAYLAND_DISPLAY TAVRIN_LOG=off TAVRIN_EXIT_STATUS=1 tavrin /i:) || fail "tavrin /i: failed"
grep -q "/e:" <<<"$list" || fail "tavrin /i: printed no parameter list"
echo "tavrin /i: $(grep -c . <<<"$list") lines"

# The examples, as their comments say to build them.
export PKG_CONFIG_PATH=$root/usr/lib/$multiarch/pkgconfig
libdir=$(pkg-config --variable=libdir velkit)
for example in scorpa_feed:scorpa velkit_status:velkit; do
  name=${example%%:*}
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Wextra -pedantic -Werror "$src/examples/$name.c" $(pkg-config --cflags --libs "${example##*:}") \
    -Wl,-rpath,"$libdir" -o "$root/$name"
done
# No printer here: both say so and end with 1.
status=0
mkdir -p "$root/no-sg"
out=$(TAVRIN_SG_DIR="$root/no-sg" "$root/scorpa_feed") || status=$?
[ "$status" -eq 1 ] && [ "$out" = "SCSIOpen: failed" ] || fail "scorpa_feed: $status: $out"
status=0
out=$(CUPS_SERVER=/nonexistent/cups.sock "$root/velkit_status" No_Such_Printer) || status=$?
[ "$status" -eq 1 ] && [ "$out" = 'Velkit_OpenA: no printer "No_Such_Printer"' ] || fail "velkit_status: $status: $out"
echo "examples: built with pkg-config, run"
echo "ok"
