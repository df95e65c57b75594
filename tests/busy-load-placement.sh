#!/usr/bin/env bash
# In an optimised build, Quadrin's fixed load must be a function of its own, called by the batch
# run, with its loop within one 64-byte line: the yardstick of every timed run must not depend on
# where the compiler happens to put it. Reads the machine code with objdump.
#
#   busy-load-placement.sh PROGRAM...
set -eu
command -v objdump >/dev/null || { echo "SKIP: objdump is missing (Debian package binutils)"; exit 77; }
symbol=_ZN7quadrin8BusyLoadEv
for program in "$@"; do
  code=$(objdump -d --no-show-raw-insn "$program")
  # The function's instructions: "address: mnemonic operands", up to the next empty line.
  body=$(awk -v start="<$symbol>:" '$2 == start { on = 1; next } on && NF == 0 { exit } on' <<<"$code")
  [[ -n $body ]] || { echo "FAIL: $program has no function $symbol" >&2; exit 1; }
  # The loop runs from the target of its backward jump to the end of that jump, which is where the
  # next instruction begins.
  target= next=
  while read -r address mnemonic operand _; do
    address=$((16#${address%:}))
    if [[ -n $target ]]; then
      next=$address
      break
    fi
    if [[ $mnemonic == j* && $operand =~ ^[0-9a-f]+$ ]] && ((16#$operand < address)); then
      target=$operand
    fi
  done <<<"$body"
  [[ -n $next ]] || { echo "FAIL: no loop found in $symbol of $program" >&2; exit 1; }
  first=$((16#$target)) last=$((next - 1))
  if ((first / 64 != last / 64)); then
    printf 'FAIL: the loop of %s in %s spans %x to %x and crosses a 64-byte line\n' \
      "$symbol" "$program" "$first" "$last" >&2
    exit 1
  fi
  printf 'ok    %s: loop %x to %x within the line at %x\n' "$program" "$first" "$last" \
    $((first / 64 * 64))
done
# Quadrin calls it rather than having a copy of the loop inlined into its batch run.
grep -q "call.*<$symbol>" <<<"$(objdump -d --no-show-raw-insn "$1")" ||
  { echo "FAIL: $1 does not call $symbol; it was inlined" >&2; exit 1; }
