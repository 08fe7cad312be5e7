#!/usr/bin/env bash
# Builds the fuzz targets of the file readers (job file, Params.ini, the
# language dictionary, Paradox tables) with clang, libFuzzer coverage and the
# address and undefined-behaviour sanitizers in the readers' libraries as well
# as in the harnesses, into build-fuzz-readers, and runs each for SECONDS
# (default 10; give 600 or more for a long run). Extra arguments go to every
# fuzzer. A crash leaves its input in build-fuzz-readers/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 [SECONDS] [FUZZER OPTIONS...]   (SECONDS: a whole number above 0)" >&2
  exit 2
fi
shift || true
build=build-fuzz-readers
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORN_FUZZ=ON -DORN_SANITIZE=ON -DORN_BUILD_GUI=OFF -DORN_BUILD_TESTS=OFF -DORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target jobfile_fuzz params_fuzz dictionary_fuzz table_fuzz -j2

seeds() {  # seeds TARGET: a corpus folder started from the formats' own shapes
  local corpus="$build/corpus-$1"
  mkdir -p "$corpus"
  echo "$corpus"
}

job=$(seeds jobfile)
printf '\r\n{********************************************************}\r\nINITIALIZATION\r\nDATE=7,12,2026\r\nARHIVE DIRECTORY=/srv/arh/\r\nARHIVE NAME=Buh\r\nLOAD FROM=DB\r\nDB FILE=/srv/buh/SprFiles.db\r\nFLOPY 144=1360\r\nARHIVE PARAMS=Unique|WM\r\n+FOLDER=/mnt/copy/\r\nADSK\r\nLIST\r\n/srv/doc/*.TXT\r\n/srv/buh/KONTI.DB\r\n' >"$job/job"
printf 'DATE=31,2,2026\nFLOPY 144=TRUE\nARHIVE PARAMS=Arh|XW\nLIST\nLIST\n\n' >"$job/odd"

params=$(seeds params)
printf 'Language=1\r\nEditLanguage=2\r\nSysLanguage=1\r\nHelpLanguage=1\r\nPrintLanguage=1\r\nFontForForm=Default\r\nFontForGrid=Arial,10\r\nPageControl=AS LABEL\r\nBeeperLength=0\r\n' >"$params/params"

dict=$(seeds dictionary)
printf '* CharSetINI\r\nBALTIC_CHARSET\r\nRUSSIAN_CHARSET\r\n* LabSav\r\n* LabSav2\r\nVai saglab\xe2t?\r\n\xd1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc?\r\n$ Language\r\n1\r\n' >"$dict/dict"

table=$(seeds table)
for f in examples/data/*.DB examples/data/*.db; do [ -f "$f" ] && cp "$f" "$table/"; done
find testdata/paradox -iname '*.db' -size -200k -exec cp {} "$table/" \;

for target in jobfile params dictionary table; do
  echo "== ${target}_fuzz for ${seconds} s"
  "$build/bin/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/${target}-" "$@" "$build/corpus-$target"
done
