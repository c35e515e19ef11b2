#!/usr/bin/env bash
# The SDK as an integrator gets it: installed with cmake --install
# (component sdk) into a scratch prefix, the two C examples compiled against
# it through pkg-config, and run against the testbed: the Scorpa example on
# the simulated SCSI bus, the Velkit example on a queue of the private CUPS
# server with the simulated USB port module.
#   installed-sdk.sh BUILD_DIR SOURCE_DIR TESTBED_DIR CC [CFLAGS...]
# CUPS_SERVER names the private server.
set -euo pipefail
build=$1 src=$2 testbed=$3 cc=$4
shift 4
cflags=("$@")

work=$(mktemp -d /tmp/tavrin-sdk-XXXXXX)
chmod 755 "$work"
queues=()
cleanup() {
  for q in "${queues[@]}"; do lpadmin -x "$q" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --component sdk --prefix "$work/sdk" >/dev/null
pc=$(find "$work/sdk" -name velkit.pc)
[ -n "$pc" ] || fail "no velkit.pc installed"
export PKG_CONFIG_PATH=${pc%/velkit.pc}
libdir=$(pkg-config --variable=libdir velkit)
for lib in libscorpa.so libvelkit.so libdlportio.so; do
  [ -e "$libdir/$lib" ] || fail "$lib not in $libdir"
done
[ "$(readlink "$libdir/libscorpa.so")" = libscorpa.so.0 ] || fail "libscorpa.so is not the link to its soname"
[ "$(readlink "$libdir/libvelkit.so")" = libvelkit.so.0 ] || fail "libvelkit.so is not the link to its soname"

# Built as the examples say, with the strictest C99 the compiler has.
app=$work/app
mkdir "$app"
build_example() {
  local name=$1 package=$2
  # shellcheck disable=SC2046
  "$cc" -std=c99 -Wall -Wextra -pedantic -Werror "${cflags[@]}" "$src/examples/$name.c" \
    $(pkg-config --cflags --libs "$package") -Wl,-rpath,"$libdir" -o "$app/$name"
}
build_example scorpa_feed scorpa
build_example velkit_status velkit

# Each run has a world of its own for the stand-ins to log to.
run_in_world() {
  local world=$1
  shift
  mkdir -p "$world"
  chmod 777 "$world"
  TAVRIN_TESTBED_DIR=$world TAVRIN_PRINTER_DRIVER_DIR=$testbed "$@"
}
expect_output() {
  local what=$1 expected=$2 actual=$3
  if [ "$actual" != "$expected" ]; then
    printf 'FAILED: %s\n--- expected\n%s\n--- got\n%s\n' "$what" "$expected" "$actual" >&2
    exit 1
  fi
}

# Scorpa: the simulated bus is the ASPI layer beside the program, where
# Scorpa looks first.
cp "$testbed/libwnaspi32.so" "$app/"
status=0
out=$(run_in_world "$work/scsi" "$app/scorpa_feed") || status=$?
expect_output "scorpa_feed" "SCSIOpen: done
printer: VCP-7000
SCSISetRFProc: done
SCSIFlipTurn: done
SCSIPrintStart: done
SCSIRFEject: done
SCSIEject: done
SCSIPrintStart: done
SCSIClose" "$out"
[ "$status" -eq 0 ] || fail "scorpa_feed ended with $status"
for command in '<1B>E0.' '<1B>T' '<1B>>' '<1B>E1.'; do
  grep -qF "$command" "$work/scsi/calls.log" || fail "$command did not reach the bus"
done
mkdir -p "$work/no-printer"
printf '[aspi]\nprinter=none\n' > "$work/no-printer/scenario.ini"
status=0
out=$(run_in_world "$work/no-printer" "$app/scorpa_feed") || status=$?
expect_output "scorpa_feed without a printer" "SCSIOpen: failed" "$out"
[ "$status" -eq 1 ] || fail "scorpa_feed without a printer ended with $status"

# Velkit: a Velto printer on the USB port module, printer ID 1.
cp "$testbed/libveltouio.so" "$app/"
add_queue() {
  local name=$1 port=$2 world=$3
  mkdir -p "$world"
  chmod 777 "$world"
  lpadmin -p "$name" -E -v "tavrin-testbed:$world" -m raw \
    -o port-name-default="$port" -o driver-module-default=VeltoDrv.dll
  queues+=("$name")
}
queue=Velto_SDK_$$
add_queue "$queue" VUSB1: "$work/usb"
printf '[veltouio]\nids=1\nstatus=11 04 00\n' > "$work/usb/scenario.ini"
status=0
out=$(run_in_world "$work/usb" "$app/velkit_status" "$queue") || status=$?
expect_output "velkit_status" "Velkit_PrinterSetMode: VELTO_SUCCESS (0)
Velkit_PrinterStatus: VELTO_SUCCESS (0)
status word: 0x00000311
  mechanism: ready
  interface: ready
  card position: 3
  printing panel: 0
Velkit_Close: VELTO_SUCCESS (0)" "$out"
[ "$status" -eq 0 ] || fail "velkit_status ended with $status"
grep -q "Velto_PrinterStatus" "$work/usb/calls.log" || fail "the status did not come from the port module"

# A port the module does not enumerate: the failure comes back named.
add_queue "${queue}_2" VUSB2: "$work/usb2"
status=0
out=$(run_in_world "$work/usb2" "$app/velkit_status" "${queue}_2") || status=$?
expect_output "velkit_status on an absent port" "Velkit_PrinterSetMode: VELTO_ERROR_PRINTERNOTFOUND (2)
Velkit_Close: VELTO_SUCCESS (0)" "$out"
[ "$status" -eq 1 ] || fail "velkit_status on an absent port ended with $status"
echo "ok"
