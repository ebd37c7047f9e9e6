#!/usr/bin/env bash
# The release, checked as the test command's step: runs scripts/release.sh,
# then
#   - a second build: the release builds the tree exported to another folder
#     (build/release/src) in build folders of its own; its DLLs and scorers
#     must be the bytes of this tree's own builds (dist/win32, dist/win64),
#     with neither folder's path in them, and the 32-bit archive the bytes of
#     one packed from this tree's build (build/win32, target release_zip);
#   - one version: the archives' names, the version resources of the DLL and
#     the scorer and varnholt-score --version all say project()'s;
#   - the 32-bit archive as an operator uses it: unpacked into a fresh
#     folder, its sums checked, its texts in CR LF, and under Wine the
#     stand-in host on the sample log with the archive's DLL, and the
#     archive's varnholt-score.exe on a real log.
# Prints how long the release and the checks took.
#
#   tests/release/check_release.sh   (after the builds win32, win64 and native)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
. scripts/lib/varnholt.sh
pkg_require "the release check's reader of Windows programs" python3 python3-pefile
win32_setup >/dev/null

passed=0
failed=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() {  # WHAT COMMAND...: passes when the command succeeds
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
lacks() { ! grep -aqF "$1" "$2"; }                   # TEXT FILE
same_list() { [ "$1" = "$2" ] || { echo "  $1"; false; }; }
crlf_only() {  # FILE: not empty, and every line ends in CR LF
  [ -s "$1" ] && python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
sys.exit(not d.endswith(b"\r\n") or d.count(b"\n") != d.count(b"\r\n"))' "$1"
}
sums_hold() { (cd "$1" && sha256sum --quiet -c SHA256SUMS); }
identical_files=()
identical() { cmp "$1" "$2" && identical_files+=("$(basename "$1")"); }

version=$(sed -n 's/^project(Varnholt VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "FAIL: no project(Varnholt VERSION ...) in CMakeLists.txt"; exit 1; }
echo "== the version, from CMakeLists.txt: $version"

# The release itself: of the commit, or of the changes not yet committed.
release_args=()
if [ -n "$(git status --porcelain)" ]; then
  echo "== the working tree has changes not committed: scripts/release.sh --dirty"
  release_args=(--dirty)
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH
started=$SECONDS
if ! scripts/release.sh "${release_args[@]}"; then
  echo "FAIL: scripts/release.sh"
  echo "0 passed, 1 failed"
  exit 1
fi
release_seconds=$((SECONDS - started))
started=$SECONDS

echo
echo "== a second build, compared byte for byte"
for arch in win32 win64; do
  for file in Varnholt.dll varnholt-score.exe; do
    check "dist/$arch/$file and build/release/$arch/bin/$file are the same bytes" \
      identical "dist/$arch/$file" "build/release/$arch/bin/$file"
    for folder in "$root" "$root/build/release/src"; do
      check "no folder name $folder in $arch/$file" lacks "$folder" "dist/$arch/$file"
    done
  done
done
zip32=Varnholt-$version-win32.zip
cmake --build build/win32 --target release_zip >/dev/null
check "build/win32/release/$zip32, packed from this tree's build, is dist/release/$zip32" \
  identical "build/win32/release/$zip32" "dist/release/$zip32"
check "dist/release holds Varnholt-$version-win32.zip and -win64.zip only" \
  same_list "$(cd dist/release && LC_ALL=C ls | tr '\n' ' ')" "Varnholt-$version-win32.zip Varnholt-$version-win64.zip "

echo
echo "== one version: $version"
/usr/bin/python3 - "$version" build/release/win32/bin/Varnholt.dll build/release/win32/bin/varnholt-score.exe \
  build/release/win64/bin/Varnholt.dll build/release/win64/bin/varnholt-score.exe <<'PY'
import sys, pefile
version = sys.argv[1]
numbers = (version.split(".") + ["0"] * 4)[:4]
failed = 0
for path in sys.argv[2:]:
    pe = pefile.PE(path)
    fixed = pe.VS_FIXEDFILEINFO[0]
    got = [fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF]
    texts = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
             for table in info.StringTable for k, v in table.entries.items()}
    want = ".".join(numbers)
    good = (got == [int(n) for n in numbers] and texts.get("FileVersion") == want and
            texts.get("ProductVersion") == want and texts.get("OriginalFilename") == path.rsplit("/", 1)[1])
    print("%s: %s %s" % ("ok" if good else "FAIL", path, {"numbers": got, **texts}))
    failed += not good
sys.exit(failed)
PY
check "the version resources of both builds' DLL and scorer say $version" test $? -eq 0

echo
echo "== dist/release/$zip32, unpacked into a fresh folder"
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/varnholt-release.XXXXXX")
python3 -m zipfile -e "dist/release/$zip32" "$unpacked"
folder=$unpacked/Varnholt-$version-win32
names=(LICENSE README.txt SHA256SUMS THIRD-PARTY.txt Varnholt.dll varnholt-score.exe)
check "the archive holds one folder with the six files" \
  same_list "$(cd "$unpacked" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" \
  "$(printf "./Varnholt-$version-win32/%s " "${names[@]}")"
check "SHA256SUMS holds" sums_hold "$folder"
for text in README.txt LICENSE THIRD-PARTY.txt; do
  check "$text: every line ends in CR LF" crlf_only "$folder/$text"
done
check "LICENSE is the project's" cmp <(tr -d '\r' <"$folder/LICENSE") LICENSE
for notice in 'License: MIT' 'License: Data' 'Files: mingw-w64-libraries/winpthreads/*' 'License: ZPL-2.1' \
  'GCC RUNTIME LIBRARY EXCEPTION'; do
  check "THIRD-PARTY.txt has $notice" grep -qF "$notice" "$folder/THIRD-PARTY.txt"
done
for words in "Varnholt $version" "Windows XP with Service Pack 3 or later" 'HKEY_CURRENT_USER\Software\<host>\TfmMainForm' \
  'varnholt-score.exe mylog.cbr'; do
  check "README.txt says $words" grep -qF "$words" "$folder/README.txt"
done

if [ "$VARNHOLT_WIN32_RUNS" != no ]; then
  echo
  echo "== the archive's programs under Wine ($VARNHOLT_WIN32_WHY)"
  display_start
  work=$unpacked/runs
  mkdir -p "$work"
  # The stand-in host with the DLL from the archive: the window's report is
  # the one the scorer gives for the same contacts in the same order.
  scripts/wine-run.sh dist/win32/standin.exe --dll "$folder/Varnholt.dll" --quiet data/sample.log \
    >"$work/standin.raw" 2>"$work/standin.err"
  check "the stand-in host ran the archive's DLL on data/sample.log" test $? -eq 0
  tr -d '\r' <"$work/standin.raw" >"$work/standin"
  check "the plug-in answered _GetInfo" grep -q '^Plug-in: Varnholt, identification tamrel_contest' "$work/standin"
  build/native/varnholt-score data/sample.log >"$work/sample.expected"
  check "its window's report is the scorer's for data/sample.log" \
    cmp <(sed -n '/^Report:$/,$p' "$work/standin" | tail -n +2) "$work/sample.expected"
  # The archive's scorer on a real log.
  scripts/wine-run.sh "$folder/varnholt-score.exe" "Z:$root/data/reallogs/k9ct.log" >"$work/score.raw" 2>"$work/score.err"
  check "the archive's varnholt-score.exe scored data/reallogs/k9ct.log" test $? -eq 0
  check "its report is the expected one" cmp <(tr -d '\r' <"$work/score.raw") tests/scorer/expected/k9ct.txt
  check "its report's lines end in CR LF" crlf_only "$work/score.raw"
  scripts/wine-run.sh "$folder/varnholt-score.exe" --version >"$work/version.raw" 2>&1
  check "varnholt-score.exe --version says $version" \
    same_list "$(head -n 1 "$work/version.raw" | tr -d '\r')" "varnholt-score $version"
else
  echo "SKIPPED: the archive's programs under Wine, because $VARNHOLT_WIN32_WHY"
fi

rm -rf "$unpacked"

if [ "$VARNHOLT_WIN32_RUNS" != no ]; then
  wine_note="the 32-bit archive's DLL and scorer run under Wine"
else
  wine_note="the 32-bit archive's programs NOT run under Wine ($VARNHOLT_WIN32_WHY)"
fi
echo
echo "release checks: $passed passed, $failed failed; byte-identical from a second source and build folder:" \
     "${#identical_files[@]} of 5 (both DLLs and scorers, the 32-bit archive); $wine_note;" \
     "${release_seconds} s release, $((SECONDS - started)) s checks"
[ "$failed" -eq 0 ]
