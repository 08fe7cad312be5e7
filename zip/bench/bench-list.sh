#!/usr/bin/env bash
# Lists an archive of 50,000 entries with ornzip and with unzip -l, best of
# five runs each. Usage: zip/bench/bench-list.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/many.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for i in range(50000):
        z.writestr(f"dir{i // 1000:03d}/file{i:05d}.txt", "")
PY
best() {
  local bestTime=999
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N)
    bestTime=$(echo "$t1 - $t0" | bc -l | awk -v b="$bestTime" '{print ($1 < b) ? $1 : b}')
  done
  echo "$bestTime"
}
ours=$(best "$build/bin/ornzip" list "$work/many.zip")
theirs=$(best unzip -l "$work/many.zip")
echo "ornzip list: ${ours}s   unzip -l: ${theirs}s   ratio: $(echo "$ours / $theirs" | bc -l | cut -c1-5)"
