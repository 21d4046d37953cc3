#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a bounded time from a
# freshly made starting corpus. Fails on any crash, sanitizer report, time-out or broken property.
#   tests/fuzz/run.sh [SECONDS-PER-TARGET]     (default 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
build=build/fuzz

cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" >/dev/null

# The starting corpus is made anew each run; libFuzzer adds what it finds to a working copy.
python3 tests/fuzz/make_corpus.py "$build/starting-corpus"
status=0
for target in archive_check http_fields; do
  work="$build/corpus/$target"
  rm -rf "$work" && mkdir -p "$work"
  options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
           -artifact_prefix="$build/$target-")
  case $target in
    archive_check) options+=(-max_len=131072) ;;
    http_fields) options+=(-max_len=4096 -dict=tests/fuzz/http_fields.dict) ;;
  esac
  log="$build/$target.log"
  if "$build/${target}_fuzz" "${options[@]}" "$work" "$build/starting-corpus/$target" \
      >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, no failure"
  else
    echo "fuzz $target FAILED; the input is saved as $build/$target-*; log $log:"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
