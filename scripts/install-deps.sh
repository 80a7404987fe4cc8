#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Each need is checked by what the build itself looks for
# (a command on PATH, or a file), not by the package's name in dpkg's records,
# so a package that is missing, or installed with files gone, is installed
# (again). Safe to run again: it installs nothing whose proof is present.
#
#   install-deps.sh [PART...]   the needs of these parts; without one, of all
#
# Parts: build (the native preset, configured as the presets configure it:
# tests and benchmarks on; what scripts/run-sample.sh needs), tests (the
# native and sanitizer suites), windows (the cross build and its tests under
# Wine), release (scripts/release.sh and the package checks).
set -euo pipefail

# package                      proof: a command, or a path            part
needs=(
  "cmake                        cmake                                  build"
  "g++                          g++                                    build"
  "make                         make                                   build"
  "libutf8proc-dev              /usr/include/utf8proc.h                build"   # NFC for /8 on POSIX
  "googletest                   /usr/src/googletest/CMakeLists.txt     build"   # built by every preset
  "python3                      python3                                build"   # tests/e2e/run_scenarios.py
  "libbenchmark-dev             /usr/include/benchmark/benchmark.h     build"   # bench/
  "libfuse3-dev                 /usr/include/fuse3/fuse.h              build"   # bench/slow_share, the stand-in share
  "bc                           bc                                     build"   # bench/share_compare's arithmetic
  "unicode-data                 /usr/share/unicode/UnicodeData.txt     tests"   # source of the character-type table
  "w3c-sgml-lib                 /usr/share/xml/w3c-sgml-lib            tests"   # HTML 4.01 entity sets
  "locales                      /usr/share/i18n/charmaps/CP1252.gz     tests"   # glibc's CP1252 and IBM437 charmaps
  "samba-vfs-modules            /usr/lib/x86_64-linux-gnu/samba/vfs/fruit.so  tests"  # vfs_fruit's Mac stand-in mapping
  "e2fsprogs                    /usr/bin/chattr                        tests"   # immutable entries for rename tests
  "util-linux                   /usr/bin/unshare                       tests"   # private mounts for tests/scripts
  "bindfs                       /usr/bin/bindfs                        tests"   # a FUSE file system without RENAME_NOREPLACE
  "zsh                          zsh                                    tests"   # the zsh completion parses and offers every option
  "fish                         fish                                   tests"   # the fish completion offers every option
  "time                         /usr/bin/time                          tests"   # memory figures
  "ntfs-3g                      /sbin/mkntfs                           tests"   # tests/naughty_names on NTFS
  "exfatprogs                   /usr/sbin/mkfs.exfat                   tests"   # tests/naughty_names on exFAT
  "exfat-fuse                   /sbin/mount.exfat-fuse                 tests"
  "g++-mingw-w64-x86-64-posix   x86_64-w64-mingw32-g++-posix           windows"
  "binutils-mingw-w64-x86-64    x86_64-w64-mingw32-dlltool             windows"
  "wine                         wine                                   windows"
  "wine64                       /usr/lib/wine/wine64                   windows"
  "dpkg-dev                     dpkg-shlibdeps                         release" # the .deb's library dependencies
  "lintian                      lintian                                release" # checks the .deb (.ci/run)
)

present() {  # proof
  if [[ $1 == /* ]]; then [ -e "$1" ]; else command -v "$1" >/dev/null; fi
}

# The needs of the parts asked for whose proofs are missing, as "package proof".
missing_needs() {
  local need package proof part
  for need in "${needs[@]}"; do
    read -r package proof part <<<"$need"
    if { [ $# -eq 0 ] || [[ " $* " == *" $part "* ]]; } && ! present "$proof"; then
      echo "$package $proof"
    fi
  done
}

mapfile -t missing < <(missing_needs "$@")
((${#missing[@]})) || exit 0
packages=("${missing[@]%% *}")
echo "Installing: ${packages[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
# --reinstall also restores a package that dpkg holds installed but whose
# files are gone; for one that is not installed it is a plain install.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --reinstall "${packages[@]}" >/dev/null
mapfile -t still < <(missing_needs "$@")
if ((${#still[@]})); then
  echo "Still missing after the installation (package and what was looked for):" >&2
  printf '  %s\n' "${still[@]}" >&2
  exit 1
fi
