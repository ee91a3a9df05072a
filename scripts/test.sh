#!/usr/bin/env bash
# Sets up, builds with sanitizers and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" test
cd "$top/build/test"
# A failing test prints its output; a long one keeps both ends (the shuffle seed at the start,
# the failed cases at the end).
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 \
  --test-output-size-failed 1000000 --test-output-truncation middle
