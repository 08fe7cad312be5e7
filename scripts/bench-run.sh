#!/usr/bin/env bash
# Times a whole unattended archive run ("archivator JOB AUTO ARHIV", with its
# three-second start-up delay: the tables copied and checked, zip, a
# rotating generation, a unique save and a second copy, each verified) beside
# the same work done by hand with "zip -r -9" and two "cp", on the zip
# benchmark's data set (about 300 MB in about 1,000 files, its Paradox tables
# among them; built once by scripts/bench-zip.sh's generator and kept in
# $ORN_BENCH_DIR). With ORN_BENCH_BEFORE set to the build folder of another
# version (an older commit built apart), that version's run is timed in the
# same rounds and printed beside this one.
#
#   scripts/bench-run.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
cache=${ORN_BENCH_DIR:-${TMPDIR:-/tmp}/orn-zip-bench}
data=$cache/data
work=$cache/run
for tool in zip python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done
if [ ! -f "$data/.complete-2" ]; then
  echo "Building the data set in $data (once)..."
  rm -rf "$data"
  python3 "$root/ziplibs/bench/make-bench-data.py" "$data"
  touch "$data/.complete-2"
fi
rm -rf "$work"
mkdir -p "$work"

# The job lists every file of the data set, as the add-files window does.
job=$work/bench.arh
{
  printf '\r\n{********************************************************}\r\n'
  printf '{*               ORN Archivator INI file                *}\r\n'
  printf '{*                                   New Version 2001  *}\r\n'
  printf '{********************************************************}\r\n'
  printf 'INITIALIZATION\r\nDATE=30,12,1899\r\n'
  printf 'ARHIVE DIRECTORY=%s/archives/\r\nARHIVE NAME=Bench\r\nLOAD FROM=DB\r\nDB FILE=\r\n' "$work"
  printf 'FLOPY 144=FALSE\r\nARHIVE PARAMS=Unique|WW\r\n+FOLDER=%s/plus/\r\nLIST\r\n' "$work"
  find "$data" -type f ! -name '.complete*' | sort | sed 's/$/\r/'
} > "$job"

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# Seconds one archive run of the job takes with the archivator of build folder $1.
timed_run() {
  rm -rf "$work/archives" "$work/plus"
  # Every run is a first run of the week, so the unique save is made too.
  sed -i 's/^DATE=.*/DATE=30,12,1899\r/' "$job"
  local t0 t1
  t0=$(date +%s.%N)
  (cd "$work" && "$1/bin/archivator" "$job" AUTO ARHIV >/dev/null 2>"$work/run.err") || {
    cat "$work/run.err" >&2
    exit 1
  }
  t1=$(date +%s.%N)
  echo "$t1 $t0" | awk '{print $1 - $2}'
}
before=${ORN_BENCH_BEFORE:+$(cd "$ORN_BENCH_BEFORE" && pwd)}
ours=() peers=() befores=()
for ((i = 0; i < runs; i++)); do
  # The two builds take turns at going first: the one that follows the
  # other pays for the other's writes still being flushed.
  if [ -n "$before" ] && ((i % 2 == 0)); then
    t=$(timed_run "$before") || exit 1
    befores+=("$t")
  fi
  t=$(timed_run "$build") || exit 1
  ours+=("$t")
  if [ -n "$before" ] && ((i % 2 == 1)); then
    t=$(timed_run "$before") || exit 1
    befores+=("$t")
  fi
  rm -rf "$work/byhand"

  mkdir -p "$work/byhand/archives/Unique" "$work/byhand/plus"
  t0=$(date +%s.%N)
  (cd / && zip -q -r -9 "$work/byhand/archives/Bench.zip" "${data#/}" -x '*.complete*')
  cp "$work/byhand/archives/Bench.zip" "$work/byhand/archives/Unique/Bench-unique.zip"
  cp "$work/byhand/archives/Bench.zip" "$work/byhand/plus/Bench.zip"
  t1=$(date +%s.%N)
  peers+=("$(echo "$t1 $t0" | awk '{print $1 - $2}')")
done
o=$(median "${ours[@]}")
p=$(median "${peers[@]}")
size_ours=$(stat -c %s "$work"/archives/Bench*.zip | head -n 1)
size_peer=$(stat -c %s "$work/byhand/archives/Bench.zip")
printf '%-44s %10s %14s\n' "work" "median s" "archive bytes"
printf '%-44s %10.2f %14s\n' "archivator JOB AUTO ARHIV (3 copies, verified)" "$o" "$size_ours"
if [ -n "$before" ]; then
  b=$(median "${befores[@]}")
  printf '%-44s %10.2f\n' "the same with $(basename "$(dirname "$before")")/$(basename "$before")" "$b"
fi
printf '%-44s %10.2f %14s\n' "zip -r -9 and two cp (not verified)" "$p" "$size_peer"
echo "ratio archivator / by hand: $(echo "$o $p" | awk '{printf "%.2f", $1 / $2}')"
[ -z "$before" ] || echo "ratio archivator / the other build: $(echo "$o $b" | awk '{printf "%.2f", $1 / $2}')"
