#!/usr/bin/env bash
# Checks the export and import tables of a Windows build (no program is
# run, so it serves the 32-bit build too, which Wine cannot run here):
#
#  - Scorpa.dll and Velkit.dll export exactly the functions their public
#    headers declare (scorpa/include, velkit/include), each by its plain
#    name, and nothing else;
#  - every other DLL of the program directory and every stand-in of the
#    testbed exports plain names only (no "@N" of the 32-bit stdcall
#    decoration), except the DII drivers' entry points, which the vendor's
#    drivers export decorated and the program looks up decorated
#    ("_ExtEncodeInit@16", ...);
#  - each stand-in exports exactly what the program looks up in the library
#    it stands in for;
#  - tavrin.exe imports Scorpa.dll, Velkit.dll and dlportio.dll, by plain
#    names, and is a windowed program (subsystem 2, "Windows GUI"), so a
#    station's software that starts it gets no console window.
#
# usage: export-tables.sh OBJDUMP SOURCE_DIR PROGRAM_DIR TESTBED_DIR
set -uo pipefail

[ $# -eq 4 ] || { echo "usage: $0 OBJDUMP SOURCE_DIR PROGRAM_DIR TESTBED_DIR" >&2; exit 2; }
objdump=$1 src=$2 bin=$3 testbed=$4
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The names in a DLL's export table, one a line, sorted.
exports() {
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { on = 0 } on { print $NF }' |
    sort
}

# The functions a public header declares with its export mark: NAME in
# "<MARK>_CALL NAME(".
declared() {
  local mark=$1
  shift
  cat "$@" | tr '\n' ' ' | grep -oE "${mark}_CALL[[:space:]]+[A-Za-z_][A-Za-z0-9_]*[[:space:]]*\(" |
    sed -E "s/^${mark}_CALL[[:space:]]+//; s/[[:space:]]*\($//" | sort -u
}

same_set() {  # what, expected (lines), actual (lines)
  local what=$1 expected=$2 actual=$3
  if [ "$expected" != "$actual" ]; then
    fail "$what"
    diff <(echo "$expected") <(echo "$actual") | sed -n 's/^</    missing: /p; s/^>/    extra:   /p'
  fi
}

plain_only() {  # file, [allowed decorated names...]
  local file=$1
  shift
  local name
  while read -r name; do
    [ -n "$name" ] || continue
    case "$name" in
    *@[0-9]*)
      local allowed=0 a
      for a in "$@"; do [ "$a" = "$name" ] && allowed=1; done
      [ $allowed -eq 1 ] || fail "$(basename "$file") exports a decorated name: $name"
      ;;
    esac
  done < <(exports "$file")
}

need() {
  [ -f "$1" ] || { fail "missing: $1"; return 1; }
}

# The libraries and their headers.
for lib in Scorpa:SCORPA:scorpa Velkit:VELKIT:velkit; do
  IFS=: read -r name mark dir <<<"$lib"
  dll=$bin/$name.dll
  need "$dll" || continue
  expected=$(declared "$mark" "$src/$dir/include/$dir"/*.h)
  [ -n "$expected" ] || fail "no ${mark}_CALL declarations found in $src/$dir/include"
  same_set "$name.dll exports what its headers declare" "$expected" "$(exports "$dll")"
  plain_only "$dll"
done
# Scorpa's 32 exports and the 33rd, SCSIGetLastErrorText, added for integrators.
if [ -f "$bin/Scorpa.dll" ]; then
  [ "$(exports "$bin/Scorpa.dll" | grep -c '^SCSI')" -eq 33 ] && exports "$bin/Scorpa.dll" | grep -qx SCSIGetLastErrorText ||
    fail "Scorpa.dll does not export 33 functions, SCSIGetLastErrorText among them"
fi
for dll in "$bin"/*.dll; do
  plain_only "$dll"
done

# Every stand-in: exactly the entry points the program looks up.
expect() {  # file, names...
  local name=$1 file=$testbed/$1
  shift
  need "$file" || return
  same_set "$name exports what the program looks up" "$(printf '%s\n' "$@" | sort)" "$(exports "$file")"
}
sio=(VeltoOpen VeltoClose VeltoICEject VeltoICWait VeltoICTransmit VeltoICStatus VeltoICReceive VeltoMagWait
  VeltoMagPrepare VeltoMagRead VeltoMagEject VeltoReadyToDownload VeltoRequestSense VeltoPrinterStatus)
uio=(Velto_Init Velto_Destroy Velto_PrinterIDEnum Velto_PrinterEnum Velto_PrinterEnumFree Velto_PrinterOpen
  Velto_PrinterAttach Velto_PrinterClose Velto_ICTransfer Velto_ICEject Velto_ICWait Velto_ICTransmit Velto_ICStatus
  Velto_ICReceive Velto_MagWait Velto_MagPrepare Velto_MagRead Velto_MagEject Velto_ReadyToDownload
  Velto_RequestSense Velto_PrinterStatus)
mifare=(GetMifareCardID ResetMifare LogonMifare WriteMifare ReadValueMifare WriteValueMifare IncrementMifare
  DecrementMifare CopyMifare)
magapi=(DisableStatusReporting FeedCardA EjectCardA WaitForPrinter GetLastPrinterMessage)
cx=(CXCMD_LoadCard CXCMD_MoveCard)
cxscan=("${cx[@]}" CXCMD_ScanPrinter CXCMD_ScanPrinterNext CXCMD_CheckIfConnected)
expect dlportio.dll DlPortReadPortUchar DlPortWritePortUchar
expect wnaspi32.dll SendASPI32Command GetASPI32SupportInfo
expect MagAPI.DLL EnableStatusReporting "${magapi[@]}"
expect MagAPI-noenable.DLL "${magapi[@]}"
expect PavoApi.dll PAVO_MoveCard
expect CX210P.DLL _ExtEncodeInit@16 _ExtEncodeEnd@8
expect IDX3xP.DLL _ExtEncodeInit@16 _ExtEncodeEnd@8
expect CX210P-noend.DLL _ExtEncodeInit@16
expect PrnSC.DLL _LoadCardSC@24 _UnloadCardSC@28
expect customdii.dll _LoadCardSC@24 _UnloadCardSC@28
expect PrnSC-nounload.DLL _LoadCardSC@24
expect PCP05CT.DLL "${cx[@]}" CXCMD_ScanCX320
expect PCP08CT.DLL "${cxscan[@]}"
expect PCP23CT.DLL "${cxscan[@]}"
expect VeltoSIO.dll "${sio[@]}" VeltoStartPrint
expect VeltoSIO-nostartprint.dll "${sio[@]}"
expect VeltoUIO.dll "${uio[@]}" Velto_SetAppTitle Velto_StartPrint
expect VeltoUIO-notitle.dll "${uio[@]}" Velto_StartPrint
expect VeltoUIO-nostartprint.dll "${uio[@]}" Velto_SetAppTitle
expect digion.dll Reset GetFirmwareVer ReadDataHID Read26BitsDataHID
expect digion-noreset.dll GetFirmwareVer ReadDataHID Read26BitsDataHID
expect mifaredrv.dll "${mifare[@]}" ReadMifare
expect mifaredrv-noread.dll "${mifare[@]}"
expect encoderdrv.dll SendIClassCommand GenerateLoadKeyAndCheckSum EncryptDes DecryptDes
expect encoderdrv-noencrypt.dll SendIClassCommand GenerateLoadKeyAndCheckSum DecryptDes
dii=(_ExtEncodeInit@16 _ExtEncodeEnd@8 _LoadCardSC@24 _UnloadCardSC@28)
for dll in "$testbed"/*.dll "$testbed"/*.DLL; do
  [ -f "$dll" ] || continue
  plain_only "$dll" "${dii[@]}"
done

# The program's bindings at load time.
exe=$bin/tavrin.exe
if need "$exe"; then
  imports=$("$objdump" -p "$exe" | awk '
    /DLL Name:/ { dll = $3; next }
    /Hint\/Ord Member-Name/ { on = 1; next }
    on && NF == 0 { on = 0 }
    on && NF >= 3 { print dll, $NF }')
  for dll in Scorpa.dll Velkit.dll dlportio.dll; do
    names=$(awk -v d="$dll" '$1 == d { print $2 }' <<<"$imports")
    [ -n "$names" ] || fail "tavrin.exe does not import $dll"
    decorated=$(grep '@' <<<"$names")
    [ -z "$decorated" ] || fail "tavrin.exe imports decorated names from $dll: $(echo $decorated)"
  done
  for name in DlPortReadPortUchar DlPortWritePortUchar; do
    grep -qx "dlportio.dll $name" <<<"$imports" || fail "tavrin.exe does not import $name from dlportio.dll"
  done
  subsystem=$("$objdump" -p "$exe" | awk '$1 == "Subsystem" { print $2 }')
  [ "$subsystem" = 00000002 ] || fail "tavrin.exe is not a windowed program (subsystem ${subsystem:-unknown}, want 00000002)"
fi

if [ $failures -gt 0 ]; then
  echo "$failures export table check(s) failed"
  exit 1
fi
echo "export tables: all checks passed"
