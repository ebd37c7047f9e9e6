# Sourced by the set-up commands: installs the Debian packages a step needs
# when they are missing. Idempotent; uses sudo when not run as root.

varnholt_apt_updated=no

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing missing packages: ${missing[*]}"
  if [ "$varnholt_apt_updated" = no ]; then
    $sudo apt-get update -qq
    varnholt_apt_updated=yes
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What each kind of step needs.
# hamradio-files: the country file and the check list compiled into the programs.
NATIVE_PACKAGES=(cmake ninja-build g++ make python3 googletest libgtest-dev libbenchmark-dev hamradio-files)
MINGW_PACKAGES=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
                binutils-mingw-w64-x86-64 mingw-w64-tools)
WINE_PACKAGES=(wine wine64 xvfb xauth fonts-liberation)
ODBC_PACKAGES=(unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3)
