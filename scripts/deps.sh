#!/usr/bin/env bash
# Installs the Debian packages Tavrel needs to build, run and test, when any is missing.
# Uses sudo when not run as root.
#   scripts/deps.sh [packaging] [screenshots] [coverage]   also what the package checks, the
#                                                           screenshots or the coverage need
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libmariadb-dev
  googletest libgtest-dev libgmock-dev
  mariadb-server mariadb-client openssl
  python3 python3-dbf python3-dbfread
  fonts-liberation
  clang libclang-rt-14-dev
)
for group in "$@"; do
  case $group in
    packaging) packages+=(dpkg-dev file lintian desktop-file-utils) ;;  # file: for cpack's shlibdeps
    screenshots) packages+=(xvfb x11-utils) ;;
    coverage) packages+=(gcovr) ;;
    *) echo "usage: $0 [packaging] [screenshots] [coverage]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
