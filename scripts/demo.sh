#!/usr/bin/env bash
# The main job, end to end, with no hardware: builds and installs Tavrin into
# a scratch program directory, starts a private CUPS server whose queue
# feeds the testbed's virtual card printer, configures Tavrin for it, and
# moves a card with "tavrin /e:FEED" (pass other parameters to try them).
set -euo pipefail
source "$(dirname "$0")/as-root.sh"
cd "$(dirname "$0")/.."
src=$PWD
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null

demo=${TAVRIN_DEMO_DIR:-/tmp/tavrin-demo}
cups="$demo/cupsd"
world="$demo/world"
prog="$demo/tavrin"
rm -rf "$world" "$prog"
mkdir -p "$demo" "$world"
chmod 777 "$world"
cmake --install build/default --prefix "$prog" >/dev/null

bash testbed/cups/private-cupsd.sh start "$cups" build/default/testbed/tavrin-testbed-backend
trap 'bash "$src/testbed/cups/private-cupsd.sh" stop "$cups"' EXIT
queue=Zebra_P330i_Card_Printer
bash testbed/cups/private-cupsd.sh queue "$cups" "$queue" "$world"
export CUPS_SERVER="$cups/cups.sock"

cat >"$prog/tavrin.ini" <<INI
[PrinterConfiguration]
PrinterName=$queue
PrinterType=ZEBRA
PrinterMode=USB

[ControlCommands]
Insert=MS
Pre=MS 2
Post=MI
Eject=ME
Error=ME
Pause=0
INI

args=("$@")
[ ${#args[@]} -gt 0 ] || args=(/e:FEED)
echo "Printer queue : $queue (private CUPS server at $CUPS_SERVER)"
echo "Configuration : $prog/tavrin.ini"
echo "Running       : $prog/tavrin ${args[*]}"
echo "---- what the user is shown ----"
shown=$(TAVRIN_TESTBED_DIR="$world" "$prog/tavrin" "${args[@]}" 2>&1; echo "exit status $?")
status=${shown##*exit status }
shown=${shown%exit status *}
if [ -n "${shown//[$'\n']/}" ]; then printf '%s' "$shown" | sed 's/\r$//'; else echo "(no message: the command succeeded)"; fi
echo "---- exit status: $status"
# Let the spooler hand the jobs to the virtual printer.
for _ in $(seq 50); do [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] && break; sleep 0.1; done
echo "---- what reached the virtual printer ----"
if [ -s "$world/calls.log" ]; then cat "$world/calls.log"; else echo "(nothing)"; fi
