#!/usr/bin/env bash
# Fuzzes every reader of outside text, and the store, the search and the send
# parsers against plain models of them, for a bounded time, one target after
# the other: scripts/fuzz.sh [seconds-per-target] (default 60).
# Builds into build-fuzz/ with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer. An input that made a target fail is copied to
# tests/fuzz-regressions/<target>/, where test_fuzzregressions replays it;
# the script then exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-60}
TARGETS=(${KESTRUM_FUZZ_TARGETS:-line_parameters numbers settings startup documents store search send_hex send_escapes})

source scripts/packages.sh
ensure_packages build-essential cmake clang libclang-rt-14-dev qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libgl-dev fonts-liberation2

BUILD_DIR=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -Wno-dev -DKESTRUM_FUZZ=ON
nice cmake --build "$BUILD_DIR" -j2 --target fuzzers

export QT_QPA_PLATFORM=offscreen
# Leaks are not looked for: Qt keeps caches for the life of the process.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for t in "${TARGETS[@]}"; do
  work="$BUILD_DIR/fuzzing/$t"
  mkdir -p "$work/corpus" "$work/artifacts"
  rm -f "$work"/artifacts/*
  # The growing corpus lives in the build folder; the seeds stay as they are.
  cp -n fuzz/corpus/"$t"/* "$work/corpus/" 2>/dev/null || true
  echo "== fuzz_$t for ${SECONDS_PER_TARGET}s"
  status=0
  nice -n 10 "$BUILD_DIR/fuzz/fuzz_$t" "$work/corpus" \
    -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=4096 -max_len=4096 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 >"$work/log" 2>&1 || status=$?
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)" "$work/log" || true
  found=$(find "$work/artifacts" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
    mkdir -p "tests/fuzz-regressions/$t"
    find "$work/artifacts" -type f -exec cp {} "tests/fuzz-regressions/$t/" \;
    echo "fuzz_$t FAILED (exit $status); inputs copied to tests/fuzz-regressions/$t/, log in $work/log"
    grep -E "FUZZ_CHECK failed|ERROR: |runtime error|SUMMARY" "$work/log" | head -5 || true
    failed+=("$t")
  else
    echo "fuzz_$t passed"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All fuzz targets passed."
