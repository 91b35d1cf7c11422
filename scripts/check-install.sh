#!/usr/bin/env bash
# Checks Tavrel as a user gets it: installed by `cmake --install` into a temporary prefix, and
# packaged by `cpack -G DEB`. Lists the installed files and compares them with what belongs
# there, starts the installed program offscreen and watches it read its pointer file, checks
# that the package holds the same files, and runs lintian on it.
#   scripts/check-install.sh [BUILD_DIR]   (default build/, built already)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/deps.sh packaging

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

expected="./bin/foxsql
./bin/tavrel
./lib/tavrel/HAND-M.CUR
./lib/tavrel/tavrel
./share/applications/tavrel.desktop
./share/bash-completion/completions/tavrel
./share/doc/tavrel/changelog.gz
./share/doc/tavrel/copyright
./share/icons/hicolor/256x256/apps/tavrel.png
./share/icons/hicolor/48x48/apps/tavrel.png
./share/man/man1/foxsql.1.gz
./share/man/man1/tavrel.1.gz"

# The program must find HAND-M.CUR beside itself through the link, with nothing from this
# shell's environment to help it: an empty configuration (so the Setup Connections window
# opens) and no display.
starts_and_reads_pointer() {
  local prefix=$1 name=$2
  mkdir -p -m 700 "$work/$name-runtime"
  env -i HOME="$work/$name-home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    XDG_CONFIG_HOME="$work/$name-config" XDG_RUNTIME_DIR="$work/$name-runtime" \
    scripts/starts-and-reads.py "$prefix/lib/tavrel/HAND-M.CUR" "$prefix/bin/tavrel"
}

echo "== cmake --install into a temporary prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . \( -type f -o -type l \) | LC_ALL=C sort) >"$work/installed"
cat "$work/installed"
diff -u <(LC_ALL=C sort <<<"$expected") "$work/installed" ||
  { echo "The installed files are not the expected ones (above: - expected, + installed)." >&2; exit 1; }
[[ $(readlink "$work/prefix/bin/tavrel") == ../lib/tavrel/tavrel ]] ||
  { echo "bin/tavrel is not a link to ../lib/tavrel/tavrel" >&2; exit 1; }
desktop-file-validate "$work/prefix/share/applications/tavrel.desktop"
"$work/prefix/bin/foxsql" --help >/dev/null
# The command line runs without a display, and its completion offers the verbs.
env -i HOME="$work/cli-home" PATH=/usr/bin:/bin "$work/prefix/bin/tavrel" --help >/dev/null
[[ $(bash -c 'source "$1"; COMP_WORDS=(tavrel co); COMP_CWORD=1; _tavrel tavrel co tavrel; echo "${COMPREPLY[*]}"' _ \
  "$work/prefix/share/bash-completion/completions/tavrel") == copy ]] ||
  { echo "the installed bash completion does not complete the verb copy" >&2; exit 1; }
starts_and_reads_pointer "$work/prefix" installed

echo "== cpack -G DEB"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(echo "$work"/deb/*.deb)
dpkg-deb --field "$deb" Package Version Depends
# Package paths are under usr/; the install's relative to its prefix.
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/|./|' | LC_ALL=C sort >"$work/packaged"
diff -u "$work/installed" "$work/packaged" ||
  { echo "The package does not hold the installed files (above: - installed, + packaged)." >&2; exit 1; }
dpkg-deb --extract "$deb" "$work/unpacked"
starts_and_reads_pointer "$work/unpacked/usr" packaged
if command -v lintian >/dev/null; then
  echo "== lintian"
  status=0
  report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
  grep -v '^running with root privileges' <<<"$report" || echo "no errors, no warnings"
  [[ $status -eq 0 ]] || { echo "lintian reports errors." >&2; exit 1; }
fi
echo "install and package checks passed"
