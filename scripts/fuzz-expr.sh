#!/usr/bin/env bash
# Builds the expression evaluator's fuzz target with clang (libFuzzer,
# address and undefined-behaviour sanitizers) into build-fuzz-expr and runs it
# for about 20 seconds. Extra arguments go to the fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-fuzz-expr -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORN_FUZZ=ON -DORN_SANITIZE=ON -DORN_BUILD_GUI=OFF -DORN_BUILD_TESTS=OFF -DORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz-expr --target expr_fuzz -j2
corpus=build-fuzz-expr/expr-corpus
mkdir -p "$corpus"
# A few seeds so the fuzzer starts from the language's shapes.
printf '%s' "LEFT(Kods, 2) = 'LV' and Summa > 100" >"$corpus/filter"
printf '%s' "CASESTR(N, [1;2;3], ['a';'b';'c'], 'd') + PADC('ab', 5, '*')" >"$corpus/case"
printf '%s' "ADDMONTH(CTOD('31.01.2024'), 1) + 30 = EOM(D)" >"$corpus/dates"
printf '%s' "ROUND(1/3, 2) * 0.1 - (-5) + T.Summa + Form1.T.N + F1(2) + GETKURS('USD', D)" >"$corpus/numbers"
printf '%s' "TOKEN('a,b;c', ',;', 0, 1) + STRTRAN('a-b', '-', '+', 1, 0) + LATVUNICODE('<&>')" >"$corpus/text"
build-fuzz-expr/bin/expr_fuzz -max_total_time=20 -timeout=10 -rss_limit_mb=2048 "$@" "$corpus"
