#!/usr/bin/env bash
# Checks the Debian package as a station gets it: installed with dpkg, its
# maintainer scripts run as on a real station, on a throwaway copy of this
# machine, so nothing of this machine's own installation changes. The copy
# is an overlay of the root file system whose changes go to memory, in a
# mount namespace of its own, entered with chroot; it is gone when the check
# ends. The package database is this machine's, so dpkg checks the declared
# dependencies against what is installed here. In that copy:
#   - a program directory from before the station layout (the
#     administrator's tavrin.ini and a Phandle.dat as files of their own)
#     is taken over: both reach /etc/opt/tavrin and /var/opt/tavrin;
#   - the files are where Debian and the README say, the group tavrin
#     exists, the station's files have their owners and modes;
#   - "man tavrin" finds and renders the manual page; "tavrin /i:" runs
#     from the PATH; the two C examples compile against the SDK through
#     pkg-config and run;
#   - a station user in the group tavrin and one outside it run DII FEED
#     and EJECT against the testbed's driver stand-in and a private CUPS
#     server: the member's runs carry the handle and write the key a run
#     writes, the other's read the configuration and move cards where
#     nothing is to be written, but change neither file;
#   - reinstalling keeps the configuration as edited, removing keeps it and
#     the run state, purging removes both and the group.
#   packaging/check-deb.sh PACKAGE.deb TESTBED_DIR
# TESTBED_DIR: a build tree's testbed/ (the DII driver stand-ins and the
# CUPS backend). Needs root, a kernel that lets root mount an overlay in a
# mount namespace (unshare), dpkg-dev's tools, man-db, a C compiler,
# pkg-config and the CUPS server.
set -euo pipefail
fail() { echo "FAILED: $*" >&2; exit 1; }

case "${TAVRIN_CHECK_DEB_STAGE:-}" in
"")
  deb=$(realpath "$1")
  testbed=$(realpath "${2:?usage: check-deb.sh PACKAGE.deb TESTBED_DIR}")
  echo "== $deb"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for needed in libc6 libstdc++6 libcups2 libgdk-pixbuf libpango libqt6widgets6 adduser; do
    grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
  done
  for f in "$testbed/libcx210p.so" "$testbed/tavrin-testbed-backend"; do
    [ -e "$f" ] || fail "no $f: build the testbed first"
  done
  # The mounts made in the namespace vanish with it; only the empty mount
  # point is left here, and removed.
  copy=$(mktemp -d /tmp/tavrin-station-XXXXXX)
  status=0
  TAVRIN_CHECK_DEB_STAGE=copy unshare --mount --propagation private bash "$0" "$deb" "$testbed" "$copy" || status=$?
  rmdir "$copy" 2>/dev/null || true
  exit "$status"
  ;;
copy)
  deb=$1 testbed=$2 copy=$3
  src=$(cd "$(dirname "$0")/.." && pwd)
  mount -t tmpfs tavrin-station "$copy"
  mkdir "$copy/upper" "$copy/work" "$copy/root"
  mount -t overlay tavrin-station -o "lowerdir=/,upperdir=$copy/upper,workdir=$copy/work" "$copy/root" ||
    fail "cannot mount an overlay of / (the check needs root and a kernel that allows it)"
  root=$copy/root
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/run"
  mount -t tmpfs tmpfs "$root/tmp"
  chmod 1777 "$root/tmp"
  check=$root/tmp/check
  mkdir -p "$check/drivers"
  cp "$deb" "$check/tavrin.deb"
  cp "$testbed/libcx210p.so" "$check/drivers/"
  cp "$testbed/tavrin-testbed-backend" "$src/testbed/cups/private-cupsd.sh" "$src/examples/scorpa_feed.c" \
    "$src/examples/velkit_status.c" "$check/"
  cp "$0" "$check/check-deb.sh"
  chmod -R a+rX "$check"
  exec chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TAVRIN_CHECK_DEB_STAGE=station bash /tmp/check/check-deb.sh
  ;;
station) ;;
*) fail "unknown stage $TAVRIN_CHECK_DEB_STAGE" ;;
esac

# ---- on the copy, as root ----
cd /tmp/check
export DEBIAN_FRONTEND=noninteractive
etc=/etc/opt/tavrin/tavrin.ini
var=/var/opt/tavrin
queue=XID_Station
# This machine's own tavrin, if any, goes first.
if dpkg-query -W tavrin >/dev/null 2>&1; then dpkg -P tavrin >/dev/null; fi
rm -rf /opt/tavrin /etc/opt/tavrin "$var"
getent group tavrin >/dev/null && delgroup --system --quiet tavrin

# A program directory as an earlier package left it.
mkdir -p /opt/tavrin
printf '[PrinterConfiguration]\nPrinterName=%s\nPrinterType=DII\nPrinterMode=0\nContact=1\nCMDDelay=0\n' "$queue" \
  >/opt/tavrin/tavrin.ini
printf '[Phandle]\nHandle=17\n' >/opt/tavrin/Phandle.dat
config_before=$(cat /opt/tavrin/tavrin.ini)

dpkg -i tavrin.deb >dpkg.out 2>&1 || { cat dpkg.out >&2; fail "dpkg -i failed"; }
[ "$(dpkg-query -W -f='${Status}' tavrin)" = "install ok installed" ] || fail "dpkg does not have tavrin installed"
grep -q "^ $etc " <<<"$(dpkg-query -W -f='${Conffiles}\n' tavrin)" || fail "$etc is not a conffile"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for f in /opt/tavrin/tavrin /opt/tavrin/libscorpa.so.0 /opt/tavrin/libvelkit.so.0 /opt/tavrin/libtavrin-qt.so \
  /opt/tavrin/tavrin.ini.sample /usr/bin/tavrin /usr/include/velkit/Velkit.h /usr/include/velkit/ResultCodes.h \
  /usr/include/scorpa/Scorpa.h /usr/include/dlportio/DlPortIO.h "/usr/lib/$multiarch/libvelkit.so.0" \
  "/usr/lib/$multiarch/pkgconfig/velkit.pc" "/usr/lib/$multiarch/pkgconfig/scorpa.pc" "$etc" "$var/Phandle.dat" \
  /usr/lib/udev/rules.d/60-tavrin-velto.rules; do
  [ -e "$f" ] || fail "$f is not installed"
done
[ "$(readlink /usr/bin/tavrin)" = ../../opt/tavrin/tavrin ] || fail "/usr/bin/tavrin does not point at the program"
grep -q "libvelkit.so.0 .*/lib/$multiarch/libvelkit.so.0$" <<<"$(ldconfig -p)" || fail "the linker cache does not have libvelkit.so.0"

# The station's files: links beside the program, owners and modes, and
# what the earlier program directory held, taken over.
links() {
  [ "$(readlink /opt/tavrin/tavrin.ini)" = ../../etc/opt/tavrin/tavrin.ini ] &&
    [ "$(readlink /opt/tavrin/Phandle.dat)" = ../../var/opt/tavrin/Phandle.dat ] ||
    fail "$1: the program directory's links are gone: $(ls -l /opt/tavrin)"
  [ "$(stat -c '%U:%G %a' "$etc" "$var" "$var/Phandle.dat" | tr '\n' ' ')" = \
    "root:tavrin 664 root:tavrin 2775 root:tavrin 664 " ] ||
    fail "$1: owners and modes: $(stat -c '%n %U:%G %a' "$etc" "$var" "$var/Phandle.dat")"
}
getent group tavrin >/dev/null || fail "no group tavrin"
links "installed"
[ "$(cat "$etc")" = "$config_before" ] || fail "the earlier configuration was not taken over: $(cat "$etc")"
[ "$(cat "$var/Phandle.dat")" = "$(printf '[Phandle]\nHandle=17')" ] || fail "the earlier handle was not taken over"
[ -z "$(find /opt/tavrin -name '*.tavrin-moving')" ] || fail "files set aside were left: $(ls /opt/tavrin)"

# The manual page, looked up by name. A machine whose dpkg leaves manual
# pages out (path-exclude, as container images do) gets it from the package.
manroot=/
if [ ! -e /usr/share/man/man1/tavrin.1.gz ]; then
  grep -rqs "path-exclude=/usr/share/man" /etc/dpkg/dpkg.cfg.d || fail "the manual page is not installed"
  manroot=/tmp/check/unpacked
  dpkg-deb -x tavrin.deb "$manroot"
fi
page=$(MANPATH=$manroot/usr/share/man MANWIDTH=80 man -P cat tavrin)
for section in NAME SYNOPSIS "EXIT STATUS" ENVIRONMENT FILES STATION; do
  grep -q "^$section" <<<"$page" || fail "man tavrin shows no $section"
done
echo "man tavrin: $(grep -c . <<<"$page") lines"

# tavrin from the PATH, as a station's script calls it.
[ "$(command -v tavrin)" = /usr/bin/tavrin ] || fail "tavrin is not the package's on the PATH"
list=$(TAVRIN_LOG=off TAVRIN_EXIT_STATUS=1 tavrin /i:) || fail "tavrin /i: failed"
grep -q "/e:" <<<"$list" || fail "tavrin /i: printed no parameter list"
echo "tavrin /i: $(grep -c . <<<"$list") lines"

# The examples, as their comments say to build them. No printer here:
# both say so and end with 1.
for example in scorpa_feed:scorpa velkit_status:velkit; do
  name=${example%%:*}
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Wextra -pedantic -Werror "$name.c" $(pkg-config --cflags --libs "${example##*:}") -o "$name"
done
status=0
mkdir -p no-sg
out=$(TAVRIN_SG_DIR=/tmp/check/no-sg ./scorpa_feed) || status=$?
[ "$status" -eq 1 ] && [ "$out" = "SCSIOpen: failed" ] || fail "scorpa_feed: $status: $out"
status=0
out=$(CUPS_SERVER=/nonexistent/cups.sock ./velkit_status No_Such_Printer) || status=$?
[ "$status" -eq 1 ] && [ "$out" = 'Velkit_OpenA: no printer "No_Such_Printer"' ] || fail "velkit_status: $status: $out"
echo "examples: built with pkg-config, run"

# ---- the station: a member of the group tavrin and a user outside it ----
cupsd=/tmp/check/cupsd
world=/tmp/check/world
bash private-cupsd.sh start "$cupsd" /tmp/check/tavrin-testbed-backend
useradd --system --no-create-home --groups tavrin tavrin-station
useradd --system --no-create-home tavrin-outsider
finish() {
  userdel tavrin-station 2>/dev/null || true
  userdel tavrin-outsider 2>/dev/null || true
  bash /tmp/check/private-cupsd.sh stop "$cupsd" || true
}
trap finish EXIT
bash private-cupsd.sh queue "$cupsd" "$queue" "$world"
chmod 777 "$world"
# as USER COMMAND...: the command as that user, with the groups it has.
as() {
  local user=$1
  shift
  (cd / && setpriv --reuid="$user" --regid="$user" --init-groups "$@")
}
# run USER PARAMETER...: tavrin as that user; its words (the box and the
# log line) and its status.
run() {
  local user=$1
  shift
  as "$user" env -u DISPLAY -u WAYLAND_DISPLAY TAVRIN_EXIT_STATUS=1 TAVRIN_LOG=stderr TAVRIN_TESTBED_DIR="$world" \
    TAVRIN_PRINTER_DRIVER_DIR=/tmp/check/drivers CUPS_SERVER="$cupsd/cups.sock" tavrin "$@" 2>&1
}
calls() { grep '^dii: ' "$world/calls.log" | tail -n "$1"; }
handle() { cat "$var/Phandle.dat"; }

# Outside the group: the configuration can be read; an EJECT, which
# writes nothing, moves the card and hands back the handle, the key it
# would write named in the line; a FEED cannot keep its handle.
as tavrin-outsider cat /opt/tavrin/tavrin.ini >/dev/null || fail "the configuration cannot be read outside the group"
! as tavrin-outsider sh -c "echo ';' >>/opt/tavrin/tavrin.ini" 2>/dev/null || fail "a user outside the group changed the configuration"
! as tavrin-outsider sh -c ": >$var/Phandle.dat" 2>/dev/null || fail "a user outside the group changed the handle file"
! as tavrin-outsider touch "$var/other" 2>/dev/null || fail "a user outside the group made a file in $var"
out=$(run tavrin-outsider /e:EJECT) || fail "EJECT outside the group: $out"
grep -q 'unwritten="StatusWindow/Visible: Permission denied" .*family=done outcome=ok' <<<"$out" ||
  fail "EJECT outside the group: $out"
[ "$(calls 1)" = "dii: ExtEncodeEnd(17, 0) = 0" ] || fail "EJECT did not hand back the earlier handle: $(calls 1)"
printf '[dii]\nhandle=999\n' >"$world/scenario.ini"
status=0
out=$(run tavrin-outsider /e:FEED) || status=$?
[ "$status" -eq 1 ] && grep -q 'shown="Unable to write to /opt/tavrin/Phandle.dat"' <<<"$out" ||
  fail "FEED outside the group: $status: $out"
[ "$(handle)" = "$(printf '[Phandle]\nHandle=17')" ] || fail "a user outside the group changed the handle: $(handle)"
[ "$(cat "$etc")" = "$config_before" ] || fail "a user outside the group changed the configuration: $(cat "$etc")"
rm "$world/scenario.ini"
# The virtual printer's files, made by the other user's runs, are the
# member's too.
chmod -R a+rwX "$world"

# In the group: FEED writes the key and keeps the handle, the EJECT of
# the next run hands it back; the member may edit the configuration.
status=0
out=$(run tavrin-station /e:FEED) || status=$?
[ "$status" -eq 0 ] || fail "FEED in the group: $status: $out"
grep -q ' family=done outcome=ok' <<<"$out" && ! grep -q unwritten <<<"$out" || fail "FEED in the group: $out"
grep -q '^\[StatusWindow\]$' "$etc" && grep -q '^Visible=1$' "$etc" || fail "the key was not written: $(cat "$etc")"
[ "$(handle)" = "$(printf '[Phandle]\nHandle=4242')" ] || fail "the handle was not kept: $(handle)"
out=$(run tavrin-station /e:EJECT) || fail "EJECT in the group: $out"
[ "$(calls 2)" = "$(printf 'dii: ExtEncodeInit("%s", 0, 0) = 0\ndii: ExtEncodeEnd(4242, 0) = 0' "$queue")" ] ||
  fail "the handle was not carried: $(calls 2)"
as tavrin-station sh -c "echo '; edited on the station' >>/opt/tavrin/tavrin.ini" || fail "the member cannot edit the configuration"
# Root's writes replace the file whole, beside the file a link names: the
# link, owner and mode stay.
printf '[dii]\nhandle=5151\n' >"$world/scenario.ini"
out=$(run root /e:FEED) || fail "FEED as root: $out"
[ "$(handle)" = "$(printf '[Phandle]\nHandle=5151')" ] || fail "root's FEED did not keep the handle: $(handle)"
links "after the runs"
edited=$(cat "$etc")
echo "station: the handle carried in the group, nothing changed outside it"

# Reinstalling keeps the configuration as edited.
dpkg -i tavrin.deb >dpkg.out 2>&1 || { cat dpkg.out >&2; fail "dpkg -i again failed"; }
[ "$(cat "$etc")" = "$edited" ] || fail "reinstalling changed the configuration: $(cat "$etc")"
links "reinstalled"

# Removal keeps the configuration and the run state; purging removes them
# and the group, with the station's user still in it.
dpkg -r tavrin >dpkg.out 2>&1 || { cat dpkg.out >&2; fail "dpkg -r failed"; }
[ "$(dpkg-query -W -f='${Status}' tavrin)" = "deinstall ok config-files" ] || fail "tavrin is not removed"
[ ! -e /opt/tavrin/tavrin ] || fail "the program is left after removal"
[ "$(cat "$etc")" = "$edited" ] || fail "removal did not keep the configuration"
[ "$(handle)" = "$(printf '[Phandle]\nHandle=5151')" ] || fail "removal did not keep the handle"
getent group tavrin >/dev/null || fail "removal removed the group"
dpkg -P tavrin >dpkg.out 2>&1 || { cat dpkg.out >&2; fail "dpkg -P failed"; }
[ ! -e /etc/opt/tavrin ] && [ ! -e "$var" ] || fail "purging left $(ls -d /etc/opt/tavrin "$var" 2>/dev/null)"
! getent group tavrin >/dev/null || fail "purging left the group"
! grep -q tavrin <<<"$(dpkg-statoverride --list)" || fail "purging left stat overrides: $(dpkg-statoverride --list | grep tavrin)"
! grep -qx tavrin <<<"$(id -nG tavrin-station | tr ' ' '\n')" || fail "the station's user is still in a group tavrin"
finish
trap - EXIT
echo "reinstall, remove, purge: the configuration kept, then gone with the group"
echo "ok"
