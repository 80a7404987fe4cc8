#!/usr/bin/env bash
# Builds the release artefacts from the committed tree, each in a fresh build
# directory, into dist/, and prints their paths:
#   purifile_<version>_amd64.deb    the standalone program for Debian
#   purifile-<version>-win64.zip    purifile.dll, purifile.exe, README, LICENSE
# Needs what scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release.sh: the work tree has uncommitted changes; commit or stash them first" >&2
  exit 1
fi

build=$root/build/release
dist=$root/dist
rm -rf "$build" "$dist"
mkdir -p "$dist"

package() {  # <build directory> <generator> [configure arguments...]
  local dir=$1 generator=$2
  shift 2
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DPURIFILE_WERROR=ON \
    -DPURIFILE_TESTS=OFF -DPURIFILE_BENCHMARKS=OFF "$@" >"$dir.log"
  cmake --build "$dir" -j "$(nproc)" >>"$dir.log"
  (cd "$dir" && cpack -G "$generator" >>"$dir.log")
  cp "$dir"/packages/*."${generator,,}" "$dist"/
}

mkdir -p "$build"
package "$build/deb" DEB
package "$build/win64" ZIP -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"
ls -1 "$dist"/*
