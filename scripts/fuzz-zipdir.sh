#!/usr/bin/env bash
# Builds the zip fuzzers with clang in build-fuzz, with the record layer, the
# unzip library and its stream layers themselves instrumented (coverage,
# address and undefined-behaviour sanitizers), and runs each for about
# SECONDS: the engine's directory reader (zipdir_fuzz), the unzip library's
# directory and entry decoding (unzentry_fuzz), and each decompressor and AES
# on their own (codec_fuzz). They start from the zip fixtures and from small
# archives in every method that 7z and Python write here. Short runs go with
# the tests; pass a larger number for a longer run.
# Usage: scripts/fuzz-zipdir.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=$root/build-fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORN_FUZZ=ON -DORN_BUILD_GUI=OFF -DORN_BUILD_TESTS=OFF -DORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target zipdir_fuzz unzentry_fuzz codec_fuzz -j2

# Small archives in each method, and each entry's raw data behind the
# codec fuzzer's choice byte (its index in the fuzzer's list of methods)
# and the recorded size.
methods=$build/method-seeds
codecs=$build/codec-corpus
mkdir -p "$methods" "$codecs"
text=$(mktemp)
trap 'rm -f "$text"' EXIT
seq 1 3000 | sed 's/$/;KONTI;Banka/' >"$text"
if command -v 7z >/dev/null; then
  for m in Deflate64 BZip2 LZMA XZ; do
    rm -f "$methods/7z-$m.zip"
    7z a -tzip -mm=$m "$methods/7z-$m.zip" "$text" >/dev/null
  done
  rm -f "$methods/7z-aes.zip"
  7z a -tzip -mem=AES128 -ppassword "$methods/7z-aes.zip" "$text" >/dev/null
fi
python3 - "$methods" "$codecs" "$text" <<'PY'
import os, struct, sys, zipfile
methods, codecs, text = sys.argv[1:]
for name, kind in (("python-bzip2", zipfile.ZIP_BZIP2), ("python-lzma", zipfile.ZIP_LZMA)):
    with zipfile.ZipFile(os.path.join(methods, name + ".zip"), "w", kind) as z:
        z.write(text, "data.txt")
choice = {0: 0, 8: 1, 9: 2, 12: 3, 14: 4, 93: 5, 95: 6, 99: 7}
for name in os.listdir(methods):
    with open(os.path.join(methods, name), "rb") as f:
        data = f.read()
    (method,) = struct.unpack_from("<H", data, 8)
    csize, usize, nlen, xlen = struct.unpack_from("<IIHH", data, 18)
    raw = data[30 + nlen + xlen:30 + nlen + xlen + csize]
    with open(os.path.join(codecs, name + ".seed"), "wb") as f:
        f.write(bytes([choice.get(method, 0)]) + struct.pack("<I", usize) + raw)
PY
seeds=("$root"/testdata/zip/* "$methods")
for fuzzer in zipdir_fuzz unzentry_fuzz codec_fuzz; do
  corpus="$build/${fuzzer%_fuzz}-corpus"
  mkdir -p "$corpus"
  extra=("${seeds[@]}")
  [ "$fuzzer" = codec_fuzz ] && extra=()
  "$build/bin/$fuzzer" -max_total_time="$seconds" -max_len=70000 -timeout=10 -rss_limit_mb=2048 \
    "$corpus" "${extra[@]}"
done
