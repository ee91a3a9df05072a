#!/usr/bin/env bash
# Sets up, builds with sanitizers and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" test
cd "$top/build/test"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
