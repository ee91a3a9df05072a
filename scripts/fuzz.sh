#!/usr/bin/env bash
# fuzz.sh [SECONDS] : builds the libFuzzer targets with clang into build/fuzz, seeds each
# corpus (build/fuzz/corpus/<target>) from generated samples and the test fixtures, and runs
# every target for SECONDS (default 60) one after another. Findings land in
# build/fuzz/findings/<target>/; the script ends non-zero when a target found something.
# FUZZ_JOBS=N runs N targets at a time; FUZZ_TARGETS="fuzz_json fuzz_png" picks targets.
# The build's output goes to build/fuzz/build.log (shown when the build fails).
set -euo pipefail
seconds=${1:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/build/fuzz"
command -v clang++ >/dev/null || "$top/scripts/setup.sh"
mkdir -p "$out"
log="$out/build.log"
# Only the targets picked (and the seed maker) are built when some are picked.
build=(--target fuzz/all)
if [ -n "${FUZZ_TARGETS:-}" ]; then
  build=(--target make_fuzz_seeds)
  for t in $FUZZ_TARGETS; do build+=(--target "$t"); done
fi
echo "building the fuzz targets into $out (log: $log)"
if ! { cmake -S "$top" -B "$out" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=Debug -DKD_SANITIZE=ON -DKD_FUZZ=ON -DKD_TESTS=OFF -DKD_BENCH=OFF &&
       cmake --build "$out" "${build[@]}" --parallel "$(nproc)"; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "the build failed; the whole log is in $log" >&2
  exit 1
fi

corpus="$out/corpus"
"$out/fuzz/make_fuzz_seeds" "$corpus"
fixtures="$top/tests"
seed() {  # seed TARGET SELECTOR FILES...: copies each file behind a selector byte
  local target=$1 selector=$2
  shift 2
  mkdir -p "$corpus/$target"
  for f in "$@"; do
    { printf "\\x$selector"; cat "$f"; } >"$corpus/$target/fixture-$(basename "$(dirname "$f")")-$(basename "$f")"
  done
}
mapfile -t strings < <(find "$fixtures" -name '*.strings')
mapfile -t plists < <(find "$fixtures" -name '*.plist')
mapfile -t json < <(find "$fixtures" "$top/tools" -name '*.json')
[ ${#strings[@]} -eq 0 ] || seed strings_file 00 "${strings[@]}"
[ ${#plists[@]} -eq 0 ] || { seed plist 00 "${plists[@]}"; seed xml 00 "${plists[@]}"; }
[ ${#json[@]} -eq 0 ] || seed json 00 "${json[@]}"
for f in "$top"/resources/PHProgressHUD.bundle/*.png; do
  mkdir -p "$corpus/png" && cp "$f" "$corpus/png/fixture-$(basename "$f")"
done

targets=${FUZZ_TARGETS:-$(cd "$out/fuzz" && ls fuzz_* | sort)}
jobs=${FUZZ_JOBS:-1}
count=$(echo $targets | wc -w)
echo "running $count targets for ${seconds} s each, $jobs at a time"
status=0
run() {
  local target=$1 name=${1#fuzz_}
  mkdir -p "$corpus/$name" "$out/findings/$name"
  "$out/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$name/" "$corpus/$name" >"$out/findings/$name/log" 2>&1
}
# Up to FUZZ_JOBS targets at a time; a finished one makes room for the next.
running=0
for t in $targets; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  run "$t" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
for t in $targets; do
  n=${t#fuzz_}
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/findings/$n/log" | grep -o '[0-9]*$' || echo "?")
  found=$(find "$out/findings/$n" -maxdepth 1 -type f ! -name "log*" | wc -l)
  echo "$t: ${runs} executions, ${found} findings"
done
exit $status
