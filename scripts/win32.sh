# Sourced by the set-up commands: makes this machine run 32-bit Windows
# programs under Wine when it can, so that the Windows tests and the main job
# execute the DLL we ship (dist/win32/Varnholt.dll).
#
# win32_setup sets
#   VARNHOLT_WIN32_RUNS  native | qemu | no
#   VARNHOLT_WIN32_WHY   how, or why not, in words for the summary
# and installs what it needs: Wine's 32-bit half (wine32:i386 with the i386
# ODBC driver manager and SQLite driver, i386 multiarch) and, on a kernel
# that cannot execute 32-bit code, a user-mode CPU emulator registered for
# i386 programs. VARNHOLT_WIN32=native|qemu|no forces a way (qemu and no are
# for trying the fallbacks on a machine that needs neither).

WIN32_PACKAGES=(wine32:i386 libodbc2:i386 libsqliteodbc:i386)
# Debian 12's own emulator takes about 45 s to start each Wine process; the
# one from bookworm-backports (10.x) about 150 ms.
QEMU_BACKPORTS=bookworm-backports
QEMU_BINFMT=/proc/sys/fs/binfmt_misc

# A static i386 program of 96 bytes that exits with status 42 through
# int $0x80: the smallest question whether this kernel runs 32-bit code.
win32_kernel_runs_i386() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/varnholt-i386-probe.XXXXXX") || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  local status=0
  timeout 60 "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

# Wine's 32-bit half beside the 64-bit one. Debian's way: i386 multiarch. On
# a machine image behind the current point release this brings the 64-bit
# twins of the i386 libraries up to the same version as well.
win32_ensure_wine32() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for Wine's 32-bit half"
    $(deps_sudo) dpkg --add-architecture i386
    varnholt_apt_updated=no
  fi
  ensure_packages "${WIN32_PACKAGES[@]}"
}

# The backports' static emulator, registered for i386 programs with the
# kernel (binfmt_misc, "F": the emulator is opened now, so it serves every
# process that Wine starts). Fails when any step is not to be had here.
win32_ensure_qemu() {
  local sudo
  sudo=$(deps_sudo)
  local list=/etc/apt/sources.list.d/varnholt-backports.sources
  if ! apt-cache policy 2>/dev/null | grep -q "$QEMU_BACKPORTS"; then
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$QEMU_BACKPORTS" | $sudo tee "$list" >/dev/null || return 1
    varnholt_apt_updated=no
  fi
  ensure_packages_from "$QEMU_BACKPORTS" qemu-user-static || return 1
  [ -e "$QEMU_BINFMT/register" ] ||
    $sudo mount -t binfmt_misc binfmt_misc "$QEMU_BINFMT" 2>/dev/null || return 1
  if [ ! -e "$QEMU_BINFMT/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      $sudo tee "$QEMU_BINFMT/register" >/dev/null 2>&1 || return 1
  fi
  win32_kernel_runs_i386
}

win32_setup() {
  local want=${VARNHOLT_WIN32:-auto}
  if [ "$want" = no ]; then
    VARNHOLT_WIN32_RUNS=no
    VARNHOLT_WIN32_WHY="32-bit Windows programs not run (VARNHOLT_WIN32=no)"
    return 0
  fi
  if [ "$want" != qemu ] && win32_kernel_runs_i386; then
    win32_ensure_wine32
    VARNHOLT_WIN32_RUNS=native
    VARNHOLT_WIN32_WHY="this kernel runs 32-bit programs, and Wine's 32-bit half runs the Windows ones"
    return 0
  fi
  if [ "$want" = native ]; then
    VARNHOLT_WIN32_RUNS=no
    VARNHOLT_WIN32_WHY="this kernel does not execute 32-bit programs (IA32 emulation is off)"
    return 0
  fi
  if [ "$want" = qemu ]; then
    echo "VARNHOLT_WIN32=qemu: 32-bit programs go through a user-mode CPU emulator"
  else
    echo "This kernel does not execute 32-bit programs; trying a user-mode CPU emulator for them"
  fi
  if win32_ensure_qemu; then
    win32_ensure_wine32
    VARNHOLT_WIN32_RUNS=qemu
    VARNHOLT_WIN32_WHY="32-bit Windows programs run under Wine's 32-bit half, emulated by $(/usr/bin/qemu-i386-static --version | head -n 1)"
  else
    VARNHOLT_WIN32_RUNS=no
    VARNHOLT_WIN32_WHY="this kernel does not execute 32-bit programs and no usable user-mode emulator (qemu-user-static from $QEMU_BACKPORTS, binfmt_misc) could be set up"
  fi
}
