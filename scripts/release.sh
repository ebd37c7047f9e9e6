#!/usr/bin/env bash
# Makes the release an operator installs from:
#   dist/release/Varnholt-<version>-win32.zip  the shipping 32-bit Varnholt.dll and varnholt-score.exe
#   dist/release/Varnholt-<version>-win64.zip  the 64-bit ones
# each with README.txt, LICENSE, THIRD-PARTY.txt and SHA256SUMS in one folder
# (cmake/Release.cmake packs them), and lists their files with sizes and
# SHA-256 sums.
#
#   scripts/release.sh [--dirty]
#
# It builds the commit checked out (HEAD), exported to build/release/src, in
# build folders of its own (build/release/win32, build/release/win64), all
# made afresh, so that nothing of earlier builds and no file outside git gets
# in. A working tree with changes not committed is refused: a release is of a
# commit. --dirty builds the working tree's files as they are instead (the
# tracked ones and new ones git does not ignore), with a warning; the test
# command uses it to try changes before they are committed.
#
# The archives are dated at the commit's time (SOURCE_DATE_EPOCH): two runs
# for the same commit, from any folder, give the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/lib/varnholt.sh
setup_build_tools

dirty=no
case "${1:-}" in
  '') ;;
  --dirty) dirty=yes ;;
  *) echo "usage: $0 [--dirty]" >&2; exit 2 ;;
esac

changes=$(git status --porcelain)
if [ -n "$changes" ] && [ "$dirty" = no ]; then
  echo "release: the working tree has changes that are not committed:" >&2
  echo "$changes" | head -20 >&2
  echo "release: commit them (a release is of a commit), or try them with $0 --dirty" >&2
  exit 1
fi

out=build/release
rm -rf "$out"
mkdir -p "$out/src"
if [ -n "$changes" ]; then
  echo "WARNING: building the working tree with changes not committed: these archives are no release of $(git rev-parse --short HEAD)"
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar --null -T - -cf - | tar -xf - -C "$out/src"
else
  git archive --format=tar HEAD | tar -xf - -C "$out/src"
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH
echo "== release of $(git rev-parse --short HEAD), dated $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') UTC"

rm -rf dist/release
mkdir -p dist/release
for preset in win32 win64; do
  echo "== building $out/$preset"
  (cd "$out/src" && cmake --preset "$preset" -B "$root/$out/$preset" \
    -DVARNHOLT_DIST_DIR="$root/$out/$preset/bin" >/dev/null)
  cmake --build "$out/$preset" -j "$(nproc 2>/dev/null || echo 2)" --target release_zip
  cp "$out/$preset"/release/Varnholt-*-"$preset".zip dist/release/
done

echo
echo "== the release, in dist/release"
python3 - dist/release/Varnholt-*-win32.zip dist/release/Varnholt-*-win64.zip <<'PY'
import hashlib, os, sys, zipfile
for path in sys.argv[1:]:
    data = open(path, "rb").read()
    print("%s  %d bytes  sha256 %s" % (os.path.basename(path), len(data), hashlib.sha256(data).hexdigest()))
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            body = archive.read(info)
            print("  %-40s %9d  %s" % (info.filename, len(body), hashlib.sha256(body).hexdigest()))
PY
