#!/usr/bin/env bash
# Builds the standalone purifile (native preset) and runs it on a small sample
# tree of untidy names: the tree, a preview of every rename (-s -n), the real
# run (-s), and the tree afterwards. The tree stays in build/sample-tree to
# look at; each run starts it afresh. What the build needs and this machine
# lacks is installed first (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset native >/dev/null
cmake --build --preset native --target purifile -j "$(nproc)" >/dev/null
purifile="$PWD/build/native/standalone/purifile"

sample="$PWD/build/sample-tree"
rm -rf "$sample"
mkdir -p "$sample/photos" "$sample/music/Live (2019)"
cd "$sample"
touch 'Annual%20Report%202024.pdf' \
      'meeting notes: final?.txt' \
      'tidy-name.txt' \
      'photos/50%25 off.html' \
      'photos/<draft> plan|v2.jpg' \
      'music/playlist.m3u' \
      'music/Live (2019)/01 - Intro%3A Hello.mp3' \
      'music/Live (2019)/02 - Rock & Roll.mp3'

show_tree() {
  find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | sed 's|^|    |'
}

echo "Sample tree in $sample:"
show_tree
echo
echo "\$ purifile -s -n '*'      # preview: show every rename, change nothing"
"$purifile" -s -n '*'
echo
echo "\$ purifile -s '*'         # the real run"
"$purifile" -s '*'
echo
echo "The tree afterwards:"
show_tree
