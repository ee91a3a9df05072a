#!/usr/bin/env bash
# Sets up, builds (Release) and runs the application: in a window when a display is there,
# else headless, playing the default tour (or --script FILE) into PNG files. Without
# KD_CONTENT_HOST or --content-host it starts the bundled sample service on a free port for
# the length of the run. Options go to the application (kdapp --help lists them).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
buildlog=$(mktemp)
echo "run: building (Release; log in $buildlog)"
if ! "$top/scripts/build.sh" release >"$buildlog" 2>&1; then
  tail -40 "$buildlog" >&2
  echo "run: the build failed (full log: $buildlog)" >&2
  exit 1
fi
rm -f "$buildlog"
bin="$top/build/release"
export KD_BUNDLE_PATH="${KD_BUNDLE_PATH:-$top/resources}"
# Command-line errors are the application's to report, before any service starts.
"$bin/app/kdapp" --check-only "$@" >/dev/null 2>&1 || { "$bin/app/kdapp" "$@"; exit $?; }
if [[ -n "${KD_CONTENT_HOST:-}" || " $* " == *" --content-host"* || " $* " == *" --help "* || " $* " == *" -h "* ]]; then
  exec "$bin/app/kdapp" "$@"
fi
log=$(mktemp)
"$bin/tools/sample-service" --port 0 >"$log" 2>&1 &
service=$!
trap 'kill $service 2>/dev/null || true; rm -f "$log"' EXIT
# Interrupted or terminated, the script still leaves through the EXIT trap that stops the service.
trap 'exit 130' INT
trap 'exit 143' TERM
host=""
for _ in $(seq 100); do
  host=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$log" | head -1 || true)
  [[ -n "$host" ]] && break
  kill -0 $service 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
[[ -n "$host" ]] || { echo "run: the sample service did not start" >&2; exit 1; }
KD_CONTENT_HOST="$host" KD_VIDEO_HOST="${KD_VIDEO_HOST:-$host}" "$bin/app/kdapp" "$@"
