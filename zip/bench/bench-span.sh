#!/usr/bin/env bash
# Splits a 1 GB archive into 100 MB volumes and cuts the same file with
# split -b, side by side, best of three runs each; then joins the set and
# compares with cat. Usage: zip/bench/bench-span.sh BUILD_DIR [SIZE_MB]
set -euo pipefail
build=${1:-build}
mb=${2:-1000}
work=$(mktemp -d "${TMPDIR:-/tmp}/benchspan.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
head -c $((mb * 1000 * 1000)) /dev/urandom >"$work/src/data.bin"
"$build/bin/ornzip" add -0 "$work/big.zip" "$work/src/data.bin" 2>/dev/null
rm -rf "$work/src"
# best CLEANUP COMMAND...: the best of three runs; CLEANUP runs before each.
best() {
  local bestTime=999 cleanup=$1
  shift
  for _ in 1 2 3; do
    $cleanup
    sync
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N)
    bestTime=$(echo "$t1 - $t0" | bc -l | awk -v b="$bestTime" '{print ($1 < b) ? $1 : b}')
  done
  echo "$bestTime"
}
cleanSplit() { rm -f "$work"/SET0*.zip "$work"/part.*; }
cleanJoin() { rm -f "$work"/joined.zip "$work"/catted; }
ratio() { echo "$1 / $2" | bc -l | cut -c1-5; }
size=$(stat -c %s "$work/big.zip")
ours=$(best cleanSplit "$build/bin/span_bench" split 100000000 "$work/big.zip" "$work/SET.zip")
theirs=$(best cleanSplit split -b 100000000 "$work/big.zip" "$work/part.")
echo "split $size bytes into 100 MB volumes: span_bench ${ours}s   split -b ${theirs}s   ratio: $(ratio "$ours" "$theirs")"
"$build/bin/span_bench" split 100000000 "$work/big.zip" "$work/SET.zip" >/dev/null
split -b 100000000 "$work/big.zip" "$work/part."
last=$(ls "$work"/SET0*.zip | tail -1)
joinOurs=$(best cleanJoin "$build/bin/span_bench" join "$last" "$work/joined.zip")
joinCat=$(best cleanJoin sh -c "cat '$work'/part.* > '$work/catted'")
echo "join the set: span_bench ${joinOurs}s   cat ${joinCat}s   ratio: $(ratio "$joinOurs" "$joinCat")"
