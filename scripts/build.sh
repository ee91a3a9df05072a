#!/usr/bin/env bash
# build.sh release|test|tsan|optimised [TARGET ...] : configures and builds into build/<kind>
# (every target unless some are named).
set -euo pipefail
kind=${1:-release}
shift || true
top=$(cd "$(dirname "$0")/.." && pwd)
case "$kind" in
  release)   args=(-DCMAKE_BUILD_TYPE=Release -DKD_SANITIZE=OFF -DKD_TESTS=OFF -DKD_BENCH=ON) ;;
  test)      args=(-DCMAKE_BUILD_TYPE=Debug -DKD_SANITIZE=ON -DKD_TESTS=ON -DKD_BENCH=OFF) ;;
  tsan)      args=(-DCMAKE_BUILD_TYPE=Debug -DKD_SANITIZE=OFF -DKD_TSAN=ON -DKD_TESTS=ON -DKD_BENCH=OFF) ;;
  # Tests built optimised and without sanitizers: faults the sanitizer build hides show here.
  optimised) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKD_SANITIZE=OFF -DKD_TESTS=ON -DKD_BENCH=OFF) ;;
  *) echo "usage: build.sh release|test|tsan|optimised [TARGET ...]" >&2; exit 2 ;;
esac
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S "$top" -B "$top/build/$kind" -G Ninja "${args[@]}" >/dev/null
cmake --build "$top/build/$kind" --parallel "$(nproc)" "${targets[@]}"
