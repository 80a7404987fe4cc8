#!/bin/sh
# Runs each libFuzzer target for a while and merges what it found into the
# corpus kept in fuzz/corpus/<target>/ (only inputs that add coverage are kept).
#
#   scripts/fuzz.sh [minutes per target] [target...]
#
# With 0 minutes nothing is fuzzed: what earlier runs found is merged only.
# Targets: split_arguments decode_entities new_name walk_tree command (all by default).
# Builds in build/fuzz with clang; run two targets at a time at most on a small
# machine (start two copies of this script with different targets). A crash or
# broken invariant leaves its input as build/fuzz/findings/<target>/crash-*.
set -eu

minutes=${1:-10}
[ $# -gt 0 ] && shift
targets=${*:-"split_arguments decode_entities new_name walk_tree command"}

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PURIFILE_FUZZ_BUILD:-$root/build/fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DPURIFILE_FUZZ=ON -DBUILD_TESTING=OFF \
  -DPURIFILE_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# Longest input per target: command tails and names must reach MAX_ARG_LEN.
max_len() {
  case $1 in
    split_arguments) echo 40000 ;;
    decode_entities) echo 40000 ;;
    *) echo 4096 ;;
  esac
}

for target in $targets; do
  cmake --build "$build" --target "fuzz_$target" -j2 >/dev/null
  corpus=$root/fuzz/corpus/$target
  work=$build/findings/$target
  mkdir -p "$work/new"
  # Trees the walk target builds go here, and go with it: a process that
  # libFuzzer ends early (merging, a finding) leaves its tree behind.
  export TMPDIR="$work/tmp"
  rm -rf "$TMPDIR"
  mkdir -p "$TMPDIR"
  echo "== $target: $minutes minute(s)"
  status=0
  if [ "$minutes" -gt 0 ]; then
    set +e
    (cd "$work" && "$build/fuzz/fuzz_$target" -max_total_time=$((minutes * 60)) -max_len="$(max_len "$target")" \
      -close_fd_mask=3 -print_final_stats=1 -timeout=30 "$work/new" "$corpus" > "$work/run.log" 2>&1)
    status=$?
    set -e
    grep -E 'stat::number_of_executed_units|DONE|ERROR|SUMMARY' "$work/run.log" || true
  fi
  # Keep only what reaches new code: merge the old corpus and the new finds into
  # a fresh one by edges alone (hit counts would keep many more files), so the
  # corpus kept in the repository stays small.
  # The named inputs (handmade-*: hand-made edge cases; finding-*: inputs that once
  # broke an invariant) stay whatever they add.
  rm -rf "$work/merged"
  mkdir -p "$work/merged"
  for named in "$corpus"/handmade-* "$corpus"/finding-*; do
    [ -f "$named" ] && cp "$named" "$work/merged/"
  done
  "$build/fuzz/fuzz_$target" -merge=1 -use_counters=0 -max_len="$(max_len "$target")" -close_fd_mask=3 \
    "$work/merged" "$corpus" "$work/new" >/dev/null 2>&1
  rm -f "$corpus"/*
  cp "$work/merged"/* "$corpus"/
  rm -rf "$TMPDIR"
  echo "   corpus: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KB"
  [ "$status" -eq 0 ] || { echo "   $target stopped with a finding: see $work"; exit 1; }
done
