#!/usr/bin/env bash
# Makes the ZIP archives of a Windows build with cpack, as a release is
# made, and checks what a station and an integrator get from them:
#
#  - the program's archive holds exactly tavrin.exe, Scorpa.dll,
#    Velkit.dll, ScorpaGraphics.dll, TavrinGui.dll and tavrin.ini.sample,
#    at its top; none of the vendor's DLLs, nor anything named like one of
#    the testbed's stand-ins for them;
#  - each program file is a PE file for the build's machine and imports
#    only the system's DLLs and Scorpa.dll, Velkit.dll, ScorpaGraphics.dll
#    and the vendor's dlportio.dll: no toolchain DLL (libstdc++-6.dll,
#    libgcc_s_*.dll, libwinpthread-1.dll), which a station does not have;
#  - tavrin.ini.sample has CR LF line endings throughout and the sections
#    and settings of packaging/tavrin.ini;
#  - the SDK's archive holds exactly the public headers and the import
#    libraries, and a C caller builds with them alone: the two examples
#    and a DlPortIO caller compile and link against the unpacked archive,
#    and bind Scorpa.dll, Velkit.dll and dlportio.dll by the plain names
#    those DLLs export.
#
# usage: program-zip.sh CMAKE CPACK CPACK_CONFIG OBJDUMP CC SOURCE_DIR TESTBED_DIR ARCH VERSION WORK_DIR
#   ARCH is win32 or win64; WORK_DIR is emptied first.
set -uo pipefail

[ $# -eq 10 ] || {
  echo "usage: $0 CMAKE CPACK CPACK_CONFIG OBJDUMP CC SOURCE_DIR TESTBED_DIR ARCH VERSION WORK_DIR" >&2
  exit 2
}
cmake=$1 cpack=$2 config=$3 objdump=$4 cc=$5 src=$6 testbed=$7 arch=$8 version=$9 work=${10}
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

lower() { tr '[:upper:]' '[:lower:]'; }

same_set() {  # what, expected (lines), actual (lines)
  local what=$1 expected=$2 actual=$3
  if [ "$expected" != "$actual" ]; then
    fail "$what"
    diff <(echo "$expected") <(echo "$actual") | sed -n 's/^</    missing: /p; s/^>/    extra:   /p'
  fi
}

case $arch in
win32) pe_format=pei-i386 ;;
win64) pe_format=pei-x86-64 ;;
*) echo "ARCH must be win32 or win64, not $arch" >&2; exit 2 ;;
esac

rm -rf "$work"
mkdir -p "$work"
if ! "$cpack" -G ZIP --config "$config" -B "$work/package" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not make the archives"
  exit 1
fi

program_zip=$work/package/tavrin-$version-$arch.zip
sdk_zip=$work/package/tavrin-sdk-$version-$arch.zip
same_set "cpack makes the program's and the SDK's archive, and no other" \
  "$(printf '%s\n' "$(basename "$sdk_zip")" "$(basename "$program_zip")" | sort)" \
  "$(cd "$work/package" && ls -1 -- *.zip 2>/dev/null | sort)"
[ -f "$program_zip" ] || { echo "FAIL: no $program_zip"; exit 1; }
[ -f "$sdk_zip" ] || { echo "FAIL: no $sdk_zip"; exit 1; }

# An archive's entries, one a line, sorted; directories end in "/".
entries() { "$cmake" -E tar tf "$1" | sort; }
unpack() {  # archive, directory
  mkdir -p "$2" && (cd "$2" && "$cmake" -E tar xf "$1")
}

# ---- the program directory ----
program_files=(ScorpaGraphics.dll Scorpa.dll TavrinGui.dll Velkit.dll tavrin.exe tavrin.ini.sample)
program_entries=$(entries "$program_zip")
same_set "the program's archive holds the program directory at its top, and nothing else" \
  "$(printf '%s\n' "${program_files[@]}" | sort)" "$program_entries"

# Nothing of the vendor's, wherever it might lie in the archive.
stand_ins=$( (cd "$testbed" 2>/dev/null && ls -1 -- *.dll *.DLL 2>/dev/null) | lower)
[ -n "$stand_ins" ] || fail "no stand-in DLLs in $testbed to compare with (is the build complete?)"
while read -r entry; do
  [ -n "$entry" ] || continue
  name=$(basename "$entry" | lower)
  case $name in
  dlportio.dll | wnaspi32.dll) fail "the archive holds the vendor's $entry" ;;
  esac
  if grep -qxF "$name" <<<"$stand_ins"; then
    fail "the archive holds $entry, a name of the testbed's stand-ins"
  fi
done <<<"$program_entries"

program=$work/program
unpack "$program_zip" "$program"

# What a program file may import: the system's DLLs (compared without
# regard to case, as Windows does) and the program's own load-time partners.
allowed_import() {
  case $(lower <<<"$1") in
  kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | winspool.drv | comdlg32.dll | comctl32.dll | \
    shell32.dll | ole32.dll | oleaut32.dll | shlwapi.dll | version.dll | msvcrt.dll | ucrtbase.dll | \
    api-ms-win-*.dll) return 0 ;;
  scorpa.dll | velkit.dll | scorpagraphics.dll | dlportio.dll) return 0 ;;
  esac
  return 1
}

pe_files=0
for file in "$program"/*; do
  name=$(basename "$file")
  case $(lower <<<"$name") in
  *.dll | *.exe) ;;
  *) continue ;;
  esac
  pe_files=$((pe_files + 1))
  format=$("$objdump" -f "$file" 2>/dev/null | sed -n 's/.*file format //p')
  [ "$format" = "$pe_format" ] || fail "$name is \"$format\", not a $pe_format file"
  imports=$("$objdump" -p "$file" | awk '/DLL Name:/ { print $3 }')
  [ -n "$imports" ] || fail "$name imports nothing (objdump could not read it?)"
  while read -r dll; do
    [ -n "$dll" ] || continue
    allowed_import "$dll" || fail "$name imports $dll, which is neither the system's nor the program's"
  done <<<"$imports"
done
[ $pe_files -eq 5 ] || fail "$pe_files program files in the archive, not 5"

# The sample configuration: CR LF throughout, the settings of the source.
sample=$program/tavrin.ini.sample
if [ -s "$sample" ]; then
  lines=$(wc -l <"$sample")
  crlf=$(grep -c $'\r$' "$sample")
  [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] ||
    fail "tavrin.ini.sample: $crlf of its $lines lines end in CR LF"
  [ "$(tail -c 2 "$sample" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "tavrin.ini.sample does not end in CR LF"
  cr=$(tr -cd '\r' <"$sample" | wc -c)
  [ "$cr" -eq "$crlf" ] || fail "tavrin.ini.sample has a CR that does not end a line"
  settings() { tr -d '\r' <"$1" | grep -v '^;' | grep -v '^[[:space:]]*$'; }
  same_set "tavrin.ini.sample has the sections and settings of packaging/tavrin.ini" \
    "$(settings "$src/packaging/tavrin.ini")" "$(settings "$sample")"
else
  fail "tavrin.ini.sample is missing or empty"
fi

# ---- the SDK ----
sdk_files=(include/dlportio/DlPortIO.h include/scorpa/Scorpa.h include/scorpa/ScorpaApi.h
  include/velkit/ResultCodes.h include/velkit/Velkit.h include/velkit/VelkitApi.h
  lib/libScorpa.dll.a lib/libVelkit.dll.a lib/libdlportio.dll.a)
same_set "the SDK's archive holds the headers and the import libraries, and nothing else" \
  "$(printf '%s\n' "${sdk_files[@]}" | sort)" "$(entries "$sdk_zip" | grep -v '/$')"

sdk=$work/sdk
unpack "$sdk_zip" "$sdk"

# The names a PE file imports from one DLL, sorted.
imported_from() {  # file, dll
  "$objdump" -p "$1" | awk -v d="$(lower <<<"$2")" '
    /DLL Name:/ { dll = tolower($3); next }
    /Hint\/Ord Member-Name/ { on = 1; next }
    on && NF == 0 { on = 0 }
    on && NF >= 3 && dll == d { print $NF }' | sort -u
}
exported_by() {  # file
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { on = 0 } on { print $NF }' |
    sort
}

cat >"$work/dlportio_caller.c" <<'EOF'
#include <dlportio/DlPortIO.h>

int main(void)
{
    DlPortWritePortUchar(0x378, DlPortReadPortUchar(0x379));
    return 0;
}
EOF

# caller source, library, its DLL, the DLL's export table (file or "-")
build_caller() {
  local source=$1 lib=$2 dll=$3 exports_from=$4
  local exe
  exe=$work/$(basename "${source%.c}").exe
  if ! "$cc" -std=c99 -Wall -Werror -I"$sdk/include" "$source" -L"$sdk/lib" -l"$lib" -o "$exe" >"$exe.log" 2>&1; then
    fail "$(basename "$source") does not build against the SDK alone"
    sed 's/^/    /' "$exe.log"
    return
  fi
  local names
  names=$(imported_from "$exe" "$dll")
  if [ -z "$names" ]; then
    fail "$(basename "$exe") imports nothing from $dll"
    return
  fi
  local decorated
  decorated=$(grep '@' <<<"$names")
  [ -z "$decorated" ] || fail "$(basename "$exe") imports decorated names from $dll: $(echo $decorated)"
  if [ "$exports_from" != - ]; then
    local missing
    missing=$(comm -23 <(echo "$names") <(exported_by "$exports_from"))
    [ -z "$missing" ] || fail "$(basename "$exe") imports from $dll what it does not export: $(echo $missing)"
  fi
  echo "$(basename "$exe"): $(grep -c . <<<"$names") names from $dll"
}
build_caller "$src/examples/scorpa_feed.c" Scorpa Scorpa.dll "$program/Scorpa.dll"
build_caller "$src/examples/velkit_status.c" Velkit Velkit.dll "$program/Velkit.dll"
build_caller "$work/dlportio_caller.c" dlportio dlportio.dll -
[ "$(imported_from "$work/dlportio_caller.exe" dlportio.dll 2>/dev/null)" = \
  "$(printf '%s\n' DlPortReadPortUchar DlPortWritePortUchar)" ] ||
  fail "dlportio_caller.exe does not import DlPortReadPortUchar and DlPortWritePortUchar from dlportio.dll"

if [ $failures -gt 0 ]; then
  echo "$failures archive check(s) failed"
  exit 1
fi
echo "archives: $(basename "$program_zip") ($(wc -c <"$program_zip") bytes), $(basename "$sdk_zip") ($(wc -c <"$sdk_zip") bytes); all checks passed"
