# The set-up library, sourced by the project's commands in scripts/ and by
# the test steps that need a package or a display. Sourcing it only defines
# paths and functions; every command then asks for what it needs:
#
#   pkg_require WHAT PACKAGE...   installs what is missing, or stops the
#                                 command with one line naming WHAT and apt's reason
#   pkg_try WHAT PACKAGE...       the same, but answers 1 and leaves the reason
#                                 in VARNHOLT_PKG_WHY, for steps with a fallback
#   setup_build_tools, setup_wine the groups with no fallback
#   win32_setup                   how 32-bit Windows programs run here, if at all
#   display_start                 an X display for Wine when there is none
#   build_presets PRESET...       configures and builds CMakePresets.json's builds
#
# A list the package archive cannot serve is a warning, not the end: apt
# works on with the lists it has, and only what needs a missing package stops.

VARNHOLT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The one Wine prefix of the checkout, made by scripts/wine-run.sh on first use.
VARNHOLT_WINEPREFIX=${VARNHOLT_WINEPREFIX:-$VARNHOLT_ROOT/build/wineprefix}
# The kernel's registrations of interpreters for foreign programs.
VARNHOLT_BINFMT=${VARNHOLT_BINFMT:-/proc/sys/fs/binfmt_misc}

# Another package manager run (an unattended upgrade on a fresh machine) may
# hold the lock: wait for it, but not for ever. Slow mirrors give up too.
VARNHOLT_APT_LOCK_WAIT=${VARNHOLT_APT_LOCK_WAIT:-600}
# A list that fails to fetch (a mirror in the middle of a sync) is tried
# again this many times in all, this many seconds apart.
VARNHOLT_APT_TRIES=${VARNHOLT_APT_TRIES:-3}
VARNHOLT_APT_RETRY_WAIT=${VARNHOLT_APT_RETRY_WAIT:-20}
VARNHOLT_APT_OPTIONS=(-o DPkg::Lock::Timeout="$VARNHOLT_APT_LOCK_WAIT" -o Acquire::Retries=3
                      -o Acquire::http::Timeout=60)

# What each kind of step needs.
# hamradio-files: the country file and the check list compiled into the programs.
VARNHOLT_BUILD_PACKAGES=(cmake ninja-build g++ make python3 git googletest libgtest-dev libbenchmark-dev
                         hamradio-files g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
                         binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
                         unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3)
# fonts-wine: Wine's own fonts, Marlett (the caption buttons' glyphs) among them.
VARNHOLT_WINE_PACKAGES=(wine wine64 xvfb xauth fonts-liberation fonts-wine locales)
# The operators' languages the Windows tests play (Wine takes the ANSI code
# page from LANG: 932 and 1251), generated so that Wine can also read file
# names in them.
VARNHOLT_LOCALES=(ja_JP.UTF-8 ru_RU.UTF-8)
# Wine's 32-bit half, with the i386 ODBC driver manager and SQLite driver.
VARNHOLT_WIN32_PACKAGES=(wine32:i386 libodbc2:i386 libsqliteodbc:i386)
# python3-unicorn imports distutils and pkg_resources without depending on them.
VARNHOLT_EMU_PACKAGES=(python3-unicorn python3-distutils python3-pkg-resources python3-pefile)
VARNHOLT_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
VARNHOLT_PICTURE_PACKAGES=(netpbm)
# Debian's browser, for the scorer's page: rendered in the test command, its
# picture made by the main job.
VARNHOLT_BROWSER_PACKAGES=(chromium)
# Debian 12's own emulator takes about 45 s to start each Wine process; the
# one from bookworm-backports (10.x) about 150 ms.
VARNHOLT_QEMU_SUITE=bookworm-backports

# Once per run: the commands a command starts inherit the update.
export varnholt_apt_updated=${varnholt_apt_updated:-no}

varnholt_sudo() {
  [ "$(id -u)" -ne 0 ] && echo sudo
  return 0
}

# Lists the packages among the arguments that are not installed.
pkg_missing() {
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed$' || echo "$pkg"
  done
}

# Brings the package lists up to date once per command. Waits for another
# run's lock within VARNHOLT_APT_LOCK_WAIT; a list that still cannot be
# fetched after VARNHOLT_APT_TRIES tries is named in one line and left out.
apt_update() {
  [ "$varnholt_apt_updated" = yes ] && return 0
  local sudo errors deadline tries=0 whole=yes
  sudo=$(varnholt_sudo)
  errors=$(mktemp)
  deadline=$((SECONDS + VARNHOLT_APT_LOCK_WAIT))
  until $sudo apt-get "${VARNHOLT_APT_OPTIONS[@]}" update -qq >/dev/null 2>"$errors"; do
    if grep -q 'Could not get lock' "$errors"; then
      if [ "$SECONDS" -ge "$deadline" ]; then
        echo "apt-get update: another package manager run held the lock for more than" \
             "$VARNHOLT_APT_LOCK_WAIT s: $(grep -m1 '^E: ' "$errors" | cut -c4-)" >&2
        rm -f "$errors"
        return 1
      fi
      echo "Waiting for another package manager run to finish"
      sleep 5
      continue
    fi
    tries=$((tries + 1))
    if [ "$tries" -ge "$VARNHOLT_APT_TRIES" ]; then
      whole=no
      break
    fi
    echo "apt-get update could not fetch every list (try $tries of $VARNHOLT_APT_TRIES); again in" \
         "$VARNHOLT_APT_RETRY_WAIT s"
    sleep "$VARNHOLT_APT_RETRY_WAIT"
  done
  if [ "$whole" = no ]; then
    # "E: Failed to fetch URL  REASON [IP: ...]": the list's path below
    # dists/ and apt's reason, all in one line.
    local failed
    failed=$(sed -n 's|^E: Failed to fetch [^ ]*/dists/\([^ ]*\) *\(.*\)$|\1 (\2)|p' "$errors" |
             sed 's/ *\[IP: [^]]*\]//' | paste -sd ';' | sed 's/;/; /g')
    [ -n "$failed" ] || failed=$(grep -m1 '^[EW]: ' "$errors" | cut -c4-)
    echo "WARNING: the package archive did not serve every list after $tries tries; going on with the" \
         "lists apt has. Not fetched: $failed"
  fi
  rm -f "$errors"
  varnholt_apt_updated=yes
}

# apt's reason for a failed install, in one line, from its output (the file $1).
# Its last error line, and then what stands in the way: a package of another
# architecture (Wine's i386 half) must have exactly the version of its twin
# installed here, so the twins the lists apt has offer at no such version
# are named; otherwise the first unmet dependency apt lists.
apt_reason() {
  local error twins first
  error=$(grep '^E: ' "$1" | tail -n 1 | cut -c4-)
  error=${error%.}
  twins=$(apt_twins_out_of_step "$1")
  first=$(grep -m1 -E '^ [^ ]+ : [A-Za-z-]+: ' "$1" | sed 's/^ *//')
  [ -n "$twins" ] && first=$twins
  echo "${error:-$(tail -n 1 "$1")}${first:+; $first}"
}

apt_twins_out_of_step() {
  local wanted=() pkg
  mapfile -t wanted < <(grep -oE '(Pre)?Depends: [^ ]+:[a-z0-9]+' "$1" | awk '{ print $2 }' | sort -u)
  [ ${#wanted[@]} -gt 0 ] || return 0
  local found=() name installed candidate
  declare -A candidates=()
  while read -r pkg candidate; do candidates[$pkg]=$candidate; done < <(
    apt-cache policy "${wanted[@]}" 2>/dev/null |
      awk '/^[^ ].*:$/ { pkg = substr($0, 1, length($0) - 1) } /^ +Candidate: / { print pkg, $2 }')
  for pkg in "${wanted[@]}"; do
    name=${pkg%:*}
    [ -z "$(pkg_missing "$name")" ] || continue
    installed=$(dpkg-query -W -f='${Version}\n' "$name" 2>/dev/null | head -n 1)
    candidate=${candidates[$pkg]:-(none)}
    [ "$installed" = "$candidate" ] || found+=("$name $installed (${pkg##*:}: $candidate)")
  done
  [ ${#found[@]} -gt 0 ] || return 0
  local more=""
  [ ${#found[@]} -gt 3 ] && more=" and $((${#found[@]} - 3)) more"
  echo "the lists apt has offer no ${wanted[0]##*:} twin at the version installed here of $(
    printf '%s, ' "${found[@]:0:3}" | sed 's/, $//')$more"
}

# pkg_install [-t SUITE] PACKAGE...: installs the missing ones. On failure
# answers 1 with apt's reason in VARNHOLT_PKG_WHY.
pkg_install() {
  local release=()
  if [ "${1:-}" = -t ]; then
    release=(-t "$2")
    shift 2
  fi
  local missing
  mapfile -t missing < <(pkg_missing "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  if ! apt_update; then
    VARNHOLT_PKG_WHY="the package lists could not be updated"
    return 1
  fi
  local sudo output status=0
  sudo=$(varnholt_sudo)
  output=$(mktemp)
  # -q, not -qq: apt lists the unmet dependencies only then.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${VARNHOLT_APT_OPTIONS[@]}" install -y -q \
    --no-install-recommends "${release[@]}" "${missing[@]}" >"$output" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    VARNHOLT_PKG_WHY="apt-get could not install ${missing[*]}: $(apt_reason "$output")"
  fi
  rm -f "$output"
  return "$status"
}

# pkg_try WHAT PACKAGE...: for a step with a fallback; says what cannot be
# had, and answers 1.
pkg_try() {
  local what=$1
  shift
  pkg_install "$@" && return 0
  echo "NOTE: $what cannot be installed. $VARNHOLT_PKG_WHY"
  return 1
}

# pkg_require WHAT PACKAGE...: for what has no fallback; stops the command.
pkg_require() {
  local what=$1
  shift
  pkg_install "$@" && return 0
  echo "Cannot go on: $what cannot be installed. $VARNHOLT_PKG_WHY" >&2
  exit 1
}

setup_build_tools() {
  pkg_require "the compilers, CMake and the build's libraries" "${VARNHOLT_BUILD_PACKAGES[@]}"
}

setup_wine() {
  pkg_require "Wine (its 64-bit half), the virtual display, the fonts and the locales" \
    "${VARNHOLT_WINE_PACKAGES[@]}"
  setup_locales
}

# Generates the locales of VARNHOLT_LOCALES that this machine lacks.
setup_locales() {
  local missing=() name sudo
  for name in "${VARNHOLT_LOCALES[@]}"; do
    # locale -a spells ja_JP.UTF-8 as ja_JP.utf8.
    locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" || missing+=("$name")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Generating the locales: ${missing[*]}"
  sudo=$(varnholt_sudo)
  for name in "${missing[@]}"; do
    grep -qx "$name UTF-8" /etc/locale.gen 2>/dev/null ||
      echo "$name UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  $sudo locale-gen >/dev/null || { echo "Cannot go on: locale-gen failed for ${missing[*]}" >&2; exit 1; }
}

# A static i386 program of 96 bytes that exits with status 42 through
# int $0x80: the smallest question whether 32-bit programs run here.
win32_probe() {
  local probe status=0
  probe=$(mktemp "${TMPDIR:-/tmp}/varnholt-i386-probe.XXXXXX") || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  timeout 60 "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

# Prints the interpreter of an enabled registration for i386 programs, if
# there is one. The kernel consults those registrations before its own
# loader, so while one is enabled every 32-bit program runs through it,
# whatever the kernel could do itself.
win32_emulator() {
  local entry
  for entry in "$VARNHOLT_BINFMT"/*; do
    [ -f "$entry" ] || continue
    case ${entry##*/} in register | status) continue ;; esac
    [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] || continue
    # ELF, 32-bit, little-endian, executable or shared object, machine 3 (i386).
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" || continue
    sed -n 's/^interpreter //p' "$entry"
    return 0
  done
  return 1
}

# The backports' static emulator, registered for i386 programs with the
# kernel (flag F: the emulator is opened now, so it serves every process
# that Wine starts). On failure answers 1 with the reason in VARNHOLT_PKG_WHY.
win32_ensure_qemu() {
  local sudo
  sudo=$(varnholt_sudo)
  if ! apt-cache policy 2>/dev/null | grep -q "$VARNHOLT_QEMU_SUITE"; then
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$VARNHOLT_QEMU_SUITE" | $sudo tee /etc/apt/sources.list.d/varnholt-backports.sources >/dev/null || {
      VARNHOLT_PKG_WHY="the $VARNHOLT_QEMU_SUITE suite could not be added to apt's sources"
      return 1
    }
    varnholt_apt_updated=no
  fi
  pkg_install -t "$VARNHOLT_QEMU_SUITE" qemu-user-static || return 1
  if [ ! -e "$VARNHOLT_BINFMT/register" ] &&
     ! $sudo mount -t binfmt_misc binfmt_misc "$VARNHOLT_BINFMT" 2>/dev/null; then
    VARNHOLT_PKG_WHY="the kernel's binfmt_misc cannot be mounted at $VARNHOLT_BINFMT"
    return 1
  fi
  if ! win32_emulator >/dev/null; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      $sudo tee "$VARNHOLT_BINFMT/register" >/dev/null 2>&1
  fi
  if ! win32_emulator >/dev/null || ! win32_probe; then
    VARNHOLT_PKG_WHY="the emulator could not be registered for i386 programs in $VARNHOLT_BINFMT"
    return 1
  fi
}

# How 32-bit programs run here, from the registration or the kernel itself.
win32_way() {
  local emulator version
  if emulator=$(win32_emulator); then
    version=$("$emulator" --version 2>/dev/null | head -n 1)
    echo "through the user-mode emulator registered for them ($emulator${version:+, $version})"
  else
    echo "natively (this kernel executes them)"
  fi
}

# Sets and exports
#   VARNHOLT_WIN32_RUNS  native | qemu | no
#   VARNHOLT_WIN32_WHY   how, or why not, in words for the summary
# and installs what running 32-bit Windows programs needs: Wine's 32-bit
# half beside the 64-bit one (i386 multiarch) and, on a kernel that cannot
# execute 32-bit code, a user-mode emulator for it. Whatever cannot be had
# ends in VARNHOLT_WIN32_RUNS=no with apt's reason. VARNHOLT_WIN32=qemu|no
# forces a way (for trying the fallbacks on a machine that needs neither).
# A command started by another that decided already keeps its decision.
win32_setup() {
  [ -n "${VARNHOLT_WIN32_RUNS:-}" ] && return 0
  local want=${VARNHOLT_WIN32:-auto}
  export VARNHOLT_WIN32_RUNS=no VARNHOLT_WIN32_WHY
  if [ "$want" = no ]; then
    VARNHOLT_WIN32_WHY="32-bit Windows programs are not run (VARNHOLT_WIN32=no)"
    return 0
  fi
  local runs
  if [ "$want" != qemu ] && win32_probe; then
    runs=native
    win32_emulator >/dev/null && runs=qemu
  else
    if [ "$want" = qemu ]; then
      echo "VARNHOLT_WIN32=qemu: 32-bit programs go through a user-mode CPU emulator"
    else
      echo "This kernel does not execute 32-bit programs; trying a user-mode CPU emulator for them"
    fi
    if ! win32_ensure_qemu; then
      VARNHOLT_WIN32_WHY="this kernel does not execute 32-bit programs, and no user-mode emulator could be set up for them: $VARNHOLT_PKG_WHY"
      echo "NOTE: $VARNHOLT_WIN32_WHY"
      return 0
    fi
    runs=qemu
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for Wine's 32-bit half"
    $(varnholt_sudo) dpkg --add-architecture i386
    varnholt_apt_updated=no
  fi
  if ! pkg_install "${VARNHOLT_WIN32_PACKAGES[@]}"; then
    VARNHOLT_WIN32_WHY="Wine's 32-bit half cannot be installed: $VARNHOLT_PKG_WHY"
    echo "NOTE: $VARNHOLT_WIN32_WHY"
    return 0
  fi
  VARNHOLT_WIN32_RUNS=$runs
  VARNHOLT_WIN32_WHY="32-bit programs run $(win32_way), and Wine's 32-bit half runs the Windows ones"
}

# Gives Wine an X display: keeps $DISPLAY when one is set; otherwise starts
# a private Xvfb of the test display's size (1920 x 1080, where the designed
# window fits whole), stopped when the command exits, after Wine's own
# processes have gone (so they do not complain of a lost X connection).
display_start() {
  [ -n "${DISPLAY:-}" ] && return 0
  local number=90
  while [ -e "/tmp/.X${number}-lock" ] || [ -S "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
  done
  Xvfb ":$number" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  varnholt_xvfb_pid=$!
  trap 'WINEPREFIX="$VARNHOLT_WINEPREFIX" timeout 15 wineserver -w 2>/dev/null || true
        kill "$varnholt_xvfb_pid" 2>/dev/null || true' EXIT
  export DISPLAY=":$number"
  local _
  for _ in $(seq 100); do
    [ -S "/tmp/.X11-unix/X$number" ] && break
    sleep 0.1
  done
}

# browser_render PAGE CHROMIUM-OPTION...: Chromium headless on a page of
# ours (--dump-dom to stdout, --screenshot=FILE.png), with a fresh profile,
# as root too (no sandbox), and nothing fetched in the background: the
# machine may have no network, and the page needs none.
browser_render() {
  local page profile status=0
  page=$(realpath "$1")
  shift
  profile=$(mktemp -d)
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
    --user-data-dir="$profile" "$@" "file://$page" 2>/dev/null || status=$?
  rm -rf "$profile"
  return "$status"
}

# Configures (quietly) and builds each of CMakePresets.json's builds named.
build_presets() {
  local preset
  for preset in "$@"; do
    (cd "$VARNHOLT_ROOT" && cmake --preset "$preset" >/dev/null)
    echo "== building build/$preset"
    (cd "$VARNHOLT_ROOT" && cmake --build --preset "$preset")
  done
}
