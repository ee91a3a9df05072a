#!/usr/bin/env bash
# Sets up, builds (Release) and runs the application. Without KD_CONTENT_HOST (or a
# --content-host option) it starts the bundled sample service on a free port and points the
# application at it for the length of the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" release
bin="$top/build/release"
if [[ -n "${KD_CONTENT_HOST:-}" || " $* " == *" --content-host "* ]]; then
  exec "$bin/app/kdapp" "$@"
fi
log=$(mktemp)
"$bin/tools/sample-service" --port 0 >"$log" 2>&1 &
service=$!
trap 'kill $service 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 100); do
  host=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$log" | head -1 || true)
  [[ -n "$host" ]] && break
  kill -0 $service 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
[[ -n "$host" ]] || { echo "run: the sample service did not start" >&2; exit 1; }
echo "run: sample service at $host"
KD_CONTENT_HOST="$host" KD_VIDEO_HOST="${KD_VIDEO_HOST:-$host}" "$bin/app/kdapp" "$@"
