#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir build -j"$(nproc)" --output-on-failure
# Short fuzzing runs of the parsers that read untrusted input.
scripts/fuzz-zipdir.sh 10
scripts/fuzz-expr.sh -max_total_time=10
scripts/fuzz-readers.sh 10
