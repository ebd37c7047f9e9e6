# Sourced by the set-up commands: installs the Debian packages a step needs
# when they are missing. Idempotent; uses sudo when not run as root.

varnholt_apt_updated=no
# Another package manager run (an unattended upgrade on a fresh machine) may
# hold the lock: wait for it, but not for ever. Slow mirrors give up too.
VARNHOLT_APT_LOCK_WAIT=600
VARNHOLT_APT_OPTIONS=(-o DPkg::Lock::Timeout=$VARNHOLT_APT_LOCK_WAIT -o Acquire::Retries=3
                      -o Acquire::http::Timeout=60)

deps_sudo() {
  [ "$(id -u)" -ne 0 ] && echo sudo
  return 0
}

# apt-get update does not wait for the lists' lock as install waits for
# dpkg's: it is tried again while another run holds it, within the same bound.
deps_apt_update() {
  local sudo deadline errors
  sudo=$(deps_sudo)
  deadline=$((SECONDS + VARNHOLT_APT_LOCK_WAIT))
  errors=$(mktemp)
  until $sudo apt-get "${VARNHOLT_APT_OPTIONS[@]}" update -qq 2>"$errors"; do
    if ! grep -q 'Could not get lock' "$errors" || [ "$SECONDS" -ge "$deadline" ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    echo "Waiting for another package manager run to finish"
    sleep 5
  done
  rm -f "$errors"
}

# ensure_packages_from SUITE PACKAGE...: as ensure_packages, the packages
# taken from SUITE ("" for the default release).
ensure_packages_from() {
  local suite=$1
  shift
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo
  sudo=$(deps_sudo)
  echo "Installing missing packages: ${missing[*]}"
  if [ "$varnholt_apt_updated" = no ]; then
    deps_apt_update
    varnholt_apt_updated=yes
  fi
  local release=()
  [ -n "$suite" ] && release=(-t "$suite")
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${VARNHOLT_APT_OPTIONS[@]}" install -y -qq \
    --no-install-recommends "${release[@]}" "${missing[@]}" >/dev/null
}

ensure_packages() {
  ensure_packages_from "" "$@"
}

# What each kind of step needs.
# hamradio-files: the country file and the check list compiled into the programs.
NATIVE_PACKAGES=(cmake ninja-build g++ make python3 googletest libgtest-dev libbenchmark-dev hamradio-files)
MINGW_PACKAGES=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
                binutils-mingw-w64-x86-64 mingw-w64-tools)
WINE_PACKAGES=(wine wine64 xvfb xauth fonts-liberation)
ODBC_PACKAGES=(unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3)
