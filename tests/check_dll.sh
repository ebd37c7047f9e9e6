#!/usr/bin/env bash
# Reads a built plug-in DLL as a host's loader would: exactly the six
# exports, with their names and ordinals (base 1), and imports from no DLL
# but Windows' own.
#   check_dll.sh OBJDUMP DLL
set -euo pipefail
objdump=$1
dll=$2
dump=$(mktemp)
trap 'rm -f "$dump"' EXIT
"$objdump" -p "$dll" >"$dump"

fail=0
grep -Eq '^Ordinal Base[[:space:]]+1$' "$dump" || { echo "ordinal base is not 1"; fail=1; }

# The export name table lists "[index] name", the ordinal being index + base.
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$dump" |
  sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\] \(.*\)$/\1 \2/p' |
  while read -r index name; do echo "$((index + 1)) $name"; done | sort -n)
expected=$'1 _GrabNumber\n2 _Release\n3 _GetScore\n4 _AddQSO\n5 _Run\n6 _GetInfo'
if [ "$exports" != "$expected" ]; then
  echo "exports differ:"
  echo "$exports"
  fail=1
fi

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|ODBC32|msvcrt)\.dll$'
while read -r name; do
  if ! [[ "$name" =~ $allowed ]]; then
    echo "imports from a DLL that is not Windows' own: $name"
    fail=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' "$dump")

[ $fail -eq 0 ] && echo "exports and imports of $(basename "$dll") are as the host expects"
exit $fail
