#!/usr/bin/env bash
# The import check against programs made up for it, through a stand-in for
# objdump that prints their dumps in objdump's own layout: the list as
# committed must hold no fault, and each fault the check exists for must
# fail it and be named: an import the list lacks, one newer than the floor,
# one by ordinal, a list line without a Microsoft source, header versions
# above the floor, and XP SP3's own functions in a 64-bit program (XP x64
# never had them).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d) && [ -d "$work" ] || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

printf '#!/bin/sh\ncat "%s/dump"\n' "$work" >"$work/objdump"
chmod +x "$work/objdump"

# program BITS VERSION IMPORT...: writes the dump of a program whose header
# says VERSION (5.1, 6.0) and whose imports are "DLL NAME" words, #N for an
# import by ordinal N.
program() {
  local magic=010b major=${2%.*} minor=${2#*.} dll name
  [ "$1" = 64 ] && magic=020b
  shift 2
  {
    printf 'Magic\t\t\t%s\n' "$magic"
    printf 'MajorOSystemVersion\t%s\nMinorOSystemVersion\t%s\n' "$major" "$minor"
    printf 'MajorSubsystemVersion\t%s\nMinorSubsystemVersion\t%s\n' "$major" "$minor"
    printf '\nThe Import Tables (interpreted .idata section contents)\n'
    for import; do
      read -r dll name <<<"$import"
      printf '\n\tDLL Name: %s\n\tvma:  Hint/Ord Member-Name Bound-To\n' "$dll"
      case $name in
        '#'*) printf '\t%x\t %4d  <none>\n' $((0x80000000 + ${name#\#})) "${name#\#}" ;;
        *) printf '\t71b0\t    9  %s\n' "$name" ;;
      esac
    done
    printf '\n'
  } >"$work/dump"
}

ms=https://learn.microsoft.com/en-us/windows/win32/api
cat >"$work/list" <<EOF
# A list of the committed layout.
KERNEL32.dll GetTickCount      2000   $ms/sysinfoapi/nf-sysinfoapi-gettickcount
KERNEL32.dll GetTickCount64    Vista  $ms/sysinfoapi/nf-sysinfoapi-gettickcount64
KERNEL32.dll SomeXpSp3Function XP-SP3 $ms/winbase/nf-winbase-somexpsp3function
ODBC32.dll   SQLCancelHandle   ODBC-3.8 https://learn.microsoft.com/en-us/sql/odbc/reference/syntax/sqlcancelhandle-function
foo.dll      #7                XP     $ms/foo/nf-foo-bar
EOF

# expect STATUS TEXT [--headers] LIST: the check exits with STATUS and says TEXT.
expect() {
  local status=$1 text=$2 out got
  shift 2
  out=$("$here/check_imports.py" "${@:1:$#-1}" "$work/objdump" "${@: -1}" program.exe 2>&1)
  got=$?
  if [ "$got" -eq "$status" ] && grep -qF -- "$text" <<<"$out"; then
    return 0
  fi
  echo "FAILED: expected exit $status and \"$text\"; got exit $got:"
  sed 's/^/  /' <<<"$out"
  failed=$((failed + 1))
}

program 32 5.1
expect 0 "0 imports, none newer than XP-SP3" "$here/windows-imports.txt"

program 32 5.1 "KERNEL32.dll GetTickCount" "kernel32.dll GetTickCount" "foo.dll #7"
expect 0 "3 imports, none newer than XP-SP3" "$work/list"
program 32 5.1 "KERNEL32.dll GetTickCount64"
expect 1 "KERNEL32.dll GetTickCount64 needs Windows Vista, newer than XP-SP3" "$work/list"
program 32 5.1 "KERNEL32.dll GetTickCount" "KERNEL32.dll Unlisted"
expect 1 "KERNEL32.dll Unlisted is not in" "$work/list"
program 32 5.1 "foo.dll #8"
expect 1 "foo.dll #8 (import by ordinal) is not in" "$work/list"
program 32 5.1 "ODBC32.dll SQLCancelHandle"
expect 1 "ODBC32.dll SQLCancelHandle needs Windows 7" "$work/list"

program 32 5.1 "KERNEL32.dll SomeXpSp3Function"
expect 0 "1 imports, none newer than XP-SP3" "$work/list"
program 64 5.2 "KERNEL32.dll SomeXpSp3Function"
expect 1 "SomeXpSp3Function needs Windows XP-SP3, newer than Server2003 (XP x64)" "$work/list"

program 32 6.0 "KERNEL32.dll GetTickCount"
expect 0 "1 imports" "$work/list"
expect 1 "the header says OS version 6.0; the floor, XP-SP3, is 5.1" --headers "$work/list"
program 64 5.1 "KERNEL32.dll GetTickCount"
expect 1 "the header says subsystem version 5.1; the floor, Server2003 (XP x64), is 5.2" --headers "$work/list"
program 64 5.2 "KERNEL32.dll GetTickCount"
expect 0 "the header says 5.2" --headers "$work/list"

program 32 5.1 "KERNEL32.dll GetTickCount"
cp "$work/list" "$work/list.bad"
echo "KERNEL32.dll Sleep XP https://example.com/sleep" >>"$work/list.bad"
expect 1 "Sleep: the source is not a Microsoft page" "$work/list.bad"
echo "KERNEL32.dll SetEvent XP" >>"$work/list.bad"
expect 1 "not DLL FUNCTION VERSION SOURCE: KERNEL32.dll SetEvent XP" "$work/list.bad"

[ $failed -eq 0 ] && echo "the import check names every fault it exists for"
exit $((failed > 0))
