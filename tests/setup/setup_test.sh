#!/usr/bin/env bash
# The set-up's decisions without the network: scripts/lib/varnholt.sh runs
# against stand-ins for the package tools, put first on PATH, on days the
# archive or the machine make hard: a list the archive cannot serve, unmet
# dependencies for Wine's 32-bit half, another run holding apt's lock, a
# kernel without 32-bit programs whose emulator cannot be registered, an
# emulator registered already, a compiler that cannot be installed. Each
# case checks what the set-up then did and printed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && [ -d "$work" ] || exit 1
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

mkdir -p "$work/bin"
# apt-get: "update" fails while $state/update-fails counts down (the stale
# list of a mirror in sync), or says another run holds the lock while
# $state/lock counts down; "install" refuses any package listed in
# $STANDIN_UNINSTALLABLE with apt's unmet dependencies, else installs.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/calls"
countdown() { local n; n=$(cat "$STATE/$1" 2>/dev/null || echo 0); [ "$n" -gt 0 ] && echo $((n - 1)) >"$STATE/$1"; }
for arg; do
  case $arg in
    update)
      if countdown lock; then
        echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)" >&2; exit 100
      fi
      if countdown update-fails; then
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
      fi
      exit 0 ;;
    install)
      for pkg; do
        case " $STANDIN_UNINSTALLABLE " in *" $pkg "*)
          echo "The following packages have unmet dependencies:"
          case $pkg in
            *:i386) cat <<'OUT'
 apt : Depends: libapt-pkg6.0 (>= 2.6.1) but it is not going to be installed
 libcurl4:i386 : Depends: libbrotli1:i386 (>= 0.6.0) but it is not going to be installed
                 Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed
 libwine:i386 : Depends: libgstreamer-plugins-base1.0-0:i386 (>= 1.0.0) but it is not going to be installed
OUT
              echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." >&2 ;;
            *) echo " $pkg : Depends: $pkg-data (= 3.25.1-1) but 3.25.0-1 is to be installed"
              echo "E: Unable to correct problems, you have held broken packages." >&2 ;;
          esac
          exit 100 ;;
        esac
      done
      for pkg; do case $pkg in -* | install | bookworm*) ;; *) echo "$pkg" >>"$STATE/installed" ;; esac; done
      exit 0 ;;
  esac
done
EOF
# dpkg-query -W -f=FORMAT PACKAGE: an installed package's status, or its
# version from $STATE/versions.
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
grep -qx "${!#}" "$STATE/installed" 2>/dev/null || exit 1
case $2 in
  *Version*) awk -v p="${!#}" '$1 == p { print $2 }' "$STATE/versions" ;;
  *) echo "install ok installed" ;;
esac
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case $1 in
  --print-foreign-architectures) cat "$STATE/arches" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STATE/arches" ;;
esac
EOF
# apt-cache policy: the suites, or each package's candidate from $STATE/candidates.
cat >"$work/bin/apt-cache" <<'EOF'
#!/usr/bin/env bash
shift
[ $# -gt 0 ] || { echo "bookworm-backports"; exit 0; }
for pkg; do
  printf '%s:\n  Installed: (none)\n  Candidate: %s\n' "$pkg" "$(awk -v p="$pkg" '$1 == p { print $2 }' "$STATE/candidates")"
done
EOF
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/sleep"
chmod +x "$work/bin/"*

# run NAME SETUP...: runs the commands after the library is sourced, in a
# shell of their own with a fresh state; their output goes to $out.
run() {
  local name=$1
  shift
  export STATE=$work/$name
  mkdir -p "$STATE/binfmt"
  : >"$STATE/binfmt/register"
  out=$STATE/output
  (
    export PATH="$work/bin:$PATH" VARNHOLT_BINFMT=$STATE/binfmt VARNHOLT_APT_TRIES=3
    unset VARNHOLT_WIN32 VARNHOLT_WIN32_RUNS VARNHOLT_WIN32_WHY varnholt_apt_updated
    . "$root/scripts/lib/varnholt.sh"
    # The kernel's answer, as the case sets it.
    win32_probe() { [ -e "$STATE/kernel-runs-i386" ] || win32_emulator >/dev/null; }
    eval "$*"
  ) >"$out" 2>&1
  status=$?
}
expect() {  # WHAT COMMAND...: passes when the command succeeds
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
    sed 's/^/    /' "$out"
  fi
}
says() { grep -qF -- "$1" "$out"; }
lines() { [ "$(grep -cF -- "$1" "$out")" -eq "$2" ]; }
calls() { [ "$(grep -c -- "$1" "$STATE/calls" 2>/dev/null)" -eq "$2" ]; }

# A list the archive cannot serve: tried three times, named once, and the
# packages still installed from the lists apt has.
run stale 'echo 9 >"$STATE/update-fails"; setup_build_tools; echo "went on"'
expect "a stale list costs three tries of apt-get update" calls ' update' 3
expect "the list is named in one line, with apt's reason" \
  lines 'Not fetched: bookworm-security/main/binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?)' 1
expect "the build's packages are installed after it" says 'went on'
expect "... all of them" grep -qx mingw-w64-tools "$STATE/installed"

# A list that comes back at the second try: no warning.
run recovered 'echo 1 >"$STATE/update-fails"; pkg_require "a package" sqlite3'
expect "a list back at the second try costs two tries and no warning" \
  test "$(grep -c ' update' "$STATE/calls")" -eq 2 -a "$(grep -c WARNING "$out")" -eq 0

# Another run holds the lock: waited for, not counted as a failed list.
run lock 'echo 2 >"$STATE/lock"; pkg_require "a package" sqlite3'
expect "the lock is waited for" lines 'Waiting for another package manager run to finish' 2
expect "a held lock is no failed list" test "$(grep -c WARNING "$out")" -eq 0
expect "the package is installed after the wait" test "$status" -eq 0

# Wine's 32-bit half has unmet dependencies: 32-bit Windows programs are
# not run, with apt's own reason and the twin whose version stands in the way.
run wine32 'touch "$STATE/kernel-runs-i386"
            printf "libgstreamer-plugins-base1.0-0\nzlib1g\n" >"$STATE/installed"
            printf "libgstreamer-plugins-base1.0-0 1.22.0-3+deb12u7\nzlib1g 1:1.2.13.dfsg-1\n" >"$STATE/versions"
            printf "libgstreamer-plugins-base1.0-0:i386 1.22.0-3+deb12u6\nzlib1g:i386 1:1.2.13.dfsg-1\n" >"$STATE/candidates"
            STANDIN_UNINSTALLABLE="wine32:i386" win32_setup
            echo "runs=$VARNHOLT_WIN32_RUNS why=$VARNHOLT_WIN32_WHY"'
expect "the set-up goes on without Wine's 32-bit half" test "$status" -eq 0
expect "32-bit Windows programs are not run" says 'runs=no '
expect "the reason is apt's, with the twin out of step" \
  says "why=Wine's 32-bit half cannot be installed: apt-get could not install wine32:i386 libodbc2:i386 libsqliteodbc:i386: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages; the lists apt has offer no i386 twin at the version installed here of libgstreamer-plugins-base1.0-0 1.22.0-3+deb12u7 (i386: 1.22.0-3+deb12u6)"
expect "the i386 architecture was added for it" grep -qx i386 "$STATE/arches"

# A kernel without 32-bit programs, and an emulator the kernel does not take.
run no_emulator 'win32_setup; echo "runs=$VARNHOLT_WIN32_RUNS why=$VARNHOLT_WIN32_WHY"'
expect "the emulator is installed from the backports" grep -qx qemu-user-static "$STATE/installed"
expect "without a registration nothing 32-bit runs, and the reason says so" \
  says 'runs=no why=this kernel does not execute 32-bit programs, and no user-mode emulator could be set up for them: the emulator could not be registered'

# An emulator registered already: the probe passes through it, and the way
# named is the emulator's, not the kernel's.
run registered 'printf "enabled\ninterpreter /usr/bin/qemu-i386-static\nflags: F\noffset 0\nmagic 7f454c4601010100000000000000000002000300\n" \
                  >"$STATE/binfmt/qemu-i386"
                win32_setup; echo "runs=$VARNHOLT_WIN32_RUNS why=$VARNHOLT_WIN32_WHY"'
expect "a registered emulator is told from the kernel" \
  says 'runs=qemu why=32-bit programs run through the user-mode emulator registered for them (/usr/bin/qemu-i386-static'
run native 'touch "$STATE/kernel-runs-i386"; win32_setup; echo "runs=$VARNHOLT_WIN32_RUNS why=$VARNHOLT_WIN32_WHY"'
expect "a kernel that runs them is named as such" says 'runs=native why=32-bit programs run natively (this kernel executes them)'

# No fallback for the compilers: the command stops, in one line.
run no_compiler 'STANDIN_UNINSTALLABLE=cmake setup_build_tools; echo "went on"'
expect "a missing compiler or CMake stops the command" test "$status" -ne 0
expect "... before anything else" test "$(grep -c 'went on' "$out")" -eq 0
expect "... saying what and why in one line" \
  says "Cannot go on: the compilers, CMake and the build's libraries cannot be installed. apt-get could not install cmake ninja-build"
expect "... in apt's words" says "Unable to correct problems, you have held broken packages; cmake : Depends: cmake-data (= 3.25.1-1) but 3.25.0-1 is to be installed"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
