#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Safe to run again: it installs nothing that is present.
set -euo pipefail

packages=(
  cmake g++ make            # native build
  googletest                # /usr/src/googletest, built by every preset
  libbenchmark-dev          # bench/
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64   # Windows cross build
  wine wine64               # runs the Windows tests
  unicode-data              # source of the character-type table
  w3c-sgml-lib              # HTML 4.01 entity sets, checked against the entity table
  libutf8proc-dev           # Unicode normalization (NFC) for /8 on POSIX
  locales                   # glibc's CP1252 and IBM437 charmaps, checked against the code-page tables
  samba-vfs-modules         # Samba's vfs_fruit, whose mapping the Mac private-use table is checked against
  e2fsprogs                 # chattr, for the immutable-entry rename tests
  util-linux                # script(1) and friends for terminal tests
  bindfs                    # a FUSE file system without RENAME_NOREPLACE, for tests/faults
  python3                   # tests/e2e/run_scenarios.py
  time                      # /usr/bin/time -v for memory figures
  dpkg-dev                  # dpkg-shlibdeps: the .deb's library dependencies
  lintian                   # checks the .deb (.ci/run)
  ntfs-3g                   # mkntfs and ntfs-3g -o windows_names, for tests/naughty_names
  exfatprogs exfat-fuse     # mkfs.exfat and mount.exfat-fuse, for tests/naughty_names
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
