#!/usr/bin/env bash
# Builds the zip fuzzers with clang in build-fuzz, with the record layer and
# the unzip library themselves instrumented (coverage, address and
# undefined-behaviour sanitizers), and runs each for about SECONDS, starting
# from the zip fixtures when they are there: the engine's directory reader
# (zipdir_fuzz) and the unzip library's directory and entry decoding
# (unzentry_fuzz). Short runs go with the tests; pass a larger number for a
# longer run.
# Usage: scripts/fuzz-zipdir.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORN_FUZZ=ON -DORN_BUILD_GUI=OFF -DORN_BUILD_TESTS=OFF -DORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-fuzz" --target zipdir_fuzz unzentry_fuzz -j2
seeds=("$root"/testdata/zip/*)
for fuzzer in zipdir_fuzz unzentry_fuzz; do
  corpus="$root/build-fuzz/${fuzzer%_fuzz}-corpus"
  mkdir -p "$corpus"
  "$root/build-fuzz/bin/$fuzzer" -max_total_time="$seconds" -max_len=70000 -timeout=10 -rss_limit_mb=2048 \
    "$corpus" "${seeds[@]}"
done
