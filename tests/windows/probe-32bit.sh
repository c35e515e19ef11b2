#!/usr/bin/env bash
# Whether this machine runs 32-bit x86 programs at all: some kernels are
# built or booted without IA-32 emulation, and then no 32-bit Wine can start.
#
#   probe-32bit.sh DIR     assembles a tiny static 32-bit program in DIR and
#                          runs it; status 0 when it ran and returned its
#                          status, 1 with the reason on standard output when
#                          the kernel would not run it, 2 when the probe
#                          could not be made (no decision)
set -uo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DIR" >&2; exit 2; }
dir=$1
mkdir -p "$dir" || exit 2
# exit(42) through the 32-bit system call gate.
cat >"$dir/probe32.s" <<'ASM'
.globl _start
_start:
  movl $1, %eax
  movl $42, %ebx
  int $0x80
ASM
if ! as --32 -o "$dir/probe32.o" "$dir/probe32.s" >"$dir/probe32.log" 2>&1 ||
  ! ld -m elf_i386 -o "$dir/probe32" "$dir/probe32.o" >>"$dir/probe32.log" 2>&1; then
  cat "$dir/probe32.log" >&2
  echo "$0: the 32-bit probe could not be built (binutils: as --32, ld -m elf_i386)" >&2
  exit 2
fi
"$dir/probe32" >"$dir/probe32.log" 2>&1
rc=$?
[ $rc -eq 42 ] && exit 0
why=$(tr '\n' ' ' <"$dir/probe32.log")
echo "this machine's kernel does not run 32-bit x86 programs (a static 32-bit probe gave status $rc${why:+: $why}; IA-32 emulation is off), so the 32-bit build cannot run under Wine here"
exit 1
