#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test suite:
# native, sanitizer (ASan + UBSan) and Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in native sanitize windows; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  ctest --preset "$preset" -j "$(nproc)"
done
