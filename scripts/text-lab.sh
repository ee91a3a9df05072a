#!/usr/bin/env bash
# Sets up, builds (Release) and runs the text lab: in a window when a display is there, else
# headless, playing its tour (or --script FILE) into PNG files (--out DIR). Options go to the
# program (text-lab --help lists them). The build uses every core unless
# CMAKE_BUILD_PARALLEL_LEVEL says otherwise.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build="$top/build/release"
buildlog=$(mktemp)
echo "text-lab: building (Release; log in $buildlog)"
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
# The same settings as scripts/build.sh release, so that both share one build folder.
if ! { cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKD_SANITIZE=OFF -DKD_TESTS=OFF -DKD_BENCH=ON &&
       cmake --build "$build" --target text-lab; } >"$buildlog" 2>&1; then
  tail -40 "$buildlog" >&2
  echo "text-lab: the build failed (full log: $buildlog)" >&2
  exit 1
fi
rm -f "$buildlog"
export KD_BUNDLE_PATH="${KD_BUNDLE_PATH:-$top/resources}"
exec "$build/tools/text-lab" "$@"
