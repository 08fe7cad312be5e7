#!/usr/bin/env bash
# Builds the zip directory reader's fuzzer with clang in build-fuzz and runs
# it for about 20 seconds, starting from the zip archives of testdata/zip.
# Usage: scripts/fuzz-zipdir.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORN_FUZZ=ON -DORN_BUILD_GUI=OFF -DORN_BUILD_TESTS=OFF -DORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-fuzz" --target zipdir_fuzz -j2
corpus="$root/build-fuzz/zipdir-corpus"
mkdir -p "$corpus"
"$root/build-fuzz/bin/zipdir_fuzz" -max_total_time="$seconds" -max_len=70000 "$corpus" "$root"/testdata/zip/*
