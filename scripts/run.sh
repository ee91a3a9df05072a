#!/usr/bin/env bash
# Sets up, builds (Release) and runs the application.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" release
exec "$top/build/release/app/kdapp" "$@"
