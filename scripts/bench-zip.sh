#!/usr/bin/env bash
# Times our compression libraries beside zip, 7z and unzip, side by side in
# one run, on a data set shaped like an accounting data folder (about 300 MB
# in about 1,000 files), a set of 50,000 small files, a set of 100,000 small
# files and one sparse 5 GiB file (Zip64). The data is built once and kept in
# $ORN_BENCH_DIR (default: $TMPDIR/orn-zip-bench). The slow cases (--best
# against 7z -mx=9, the 5 GiB file, the 100,000 files) run once each.
#
#   scripts/bench-zip.sh [BUILD_DIR] [RUNS]
#   ORN_BENCH_BIG=1 scripts/bench-zip.sh   # also a generated 2 GB file
#   ORN_BENCH_QUICK=1 scripts/bench-zip.sh # only the first three sets
#   ORN_BENCH_METHODS=only scripts/bench-zip.sh  # only the other methods (below)
#   ORN_BENCH_NAMES=1 scripts/bench-zip.sh # only the choice of entries (below)
#
# Choosing entries: archives of 20,000 and 100,000 small entries, extracted
# whole and by all their listed names (read from standard input), and
# listed, beside unzip.
#
# The other methods: the accounting data packed by 7z with bzip2, LZMA,
# Deflate64, and deflate under AES-256, extracted by us and by 7z x (the
# archives are made once and kept beside the data).
#
# Uses BUILD_DIR/bin/ornzip (the engine's command-line program) when it is
# there and works, else the libraries' own driver BUILD_DIR/bin/ornzipdrv.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
cache=${ORN_BENCH_DIR:-${TMPDIR:-/tmp}/orn-zip-bench}
data=$cache/data
work=$cache/work
mkdir -p "$cache"

for tool in zip unzip 7z python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done
names_only=${ORN_BENCH_NAMES:-0}
if [ "$names_only" != 1 ] && [ ! -f "$data/.complete-2" ]; then
  echo "Building the data set in $data (once)..."
  rm -rf "$data"
  python3 "$root/ziplibs/bench/make-bench-data.py" "$data"
  touch "$data/.complete-2"
fi
# Only the other methods: the first data set is all they need.
[ "${ORN_BENCH_METHODS:-}" = only ] && ORN_BENCH_QUICK=1
if [ "$names_only" != 1 ] && [ "${ORN_BENCH_QUICK:-0}" != 1 ] && [ ! -f "$data/many/.complete" ]; then
  echo "Building 100,000 small files in $data/many (once)..."
  rm -rf "$data/many"
  python3 "$root/ziplibs/bench/make-bench-data.py" "$data" many
  touch "$data/many/.complete"
fi
if [ "$names_only" != 1 ] && [ "${ORN_BENCH_QUICK:-0}" != 1 ] && [ ! -f "$cache/sparse/BIG5G.DB" ]; then
  mkdir -p "$cache/sparse"
  truncate -s 5G "$cache/sparse/BIG5G.DB"
fi

# Our tool: the engine's program when it works, else the driver.
probe=$(mktemp -d)
echo probe > "$probe/p.txt"
if [ -x "$build/bin/ornzip" ] && (cd "$probe" && "$build/bin/ornzip" add -9 p.zip p.txt >/dev/null 2>&1) &&
  [ -s "$probe/p.zip" ]; then
  ours="ornzip"
  our_add() { "$build/bin/ornzip" add -r -9 "$1" "$2" >/dev/null; }
  our_best() { "$build/bin/ornzip" add -r --best "$1" "$2" >/dev/null; }
  our_extract() { "$build/bin/ornzip" extract "$1" "$2" >/dev/null; }
  our_list() { "$build/bin/ornzip" list "$1" >/dev/null; }
  our_extract_pw() { "$build/bin/ornzip" extract -P "$3" "$1" "$2" >/dev/null; }
else
  ours="ornzipdrv"
  our_add() { "$build/bin/ornzipdrv" a -9 -r -q "$1" "$2" >/dev/null; }
  our_best() { "$build/bin/ornzipdrv" a --best -r -q "$1" "$2" >/dev/null; }
  our_extract() { "$build/bin/ornzipdrv" x -q -d "$2" "$1" >/dev/null; }
  our_list() { "$build/bin/ornzipdrv" l "$1" >/dev/null; }
  our_extract_pw() { echo "the other methods need ornzip" >&2; return 1; }
fi
rm -rf "$probe"

# time_it NAME PREPARE COMMAND: runs PREPARE then COMMAND $runs times;
# records the median wall time, CPU time and peak memory of COMMAND.
declare -A med cpu mem
time_it() {
  local name=$1 prepare=$2 command=$3 i t0 t1 walls=() cpus=() mems=() out u s m
  for ((i = 0; i < runs; i++)); do
    eval "$prepare"
    out=$(mktemp)
    t0=$(date +%s.%N)
    /usr/bin/time -f "%U %S %M" -o "$out" bash -c "$command"
    t1=$(date +%s.%N)
    walls+=("$(echo "$t1 - $t0" | bc)")
    read -r u s m < "$out"
    cpus+=("$(echo "$u + $s" | bc)")
    mems+=("$m")
    rm -f "$out"
  done
  med[$name]=$(printf '%s\n' "${walls[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  cpu[$name]=$(printf '%s\n' "${cpus[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  mem[$name]=$(printf '%s\n' "${mems[@]}" | sort -n | tail -1)
  printf '  %-24s %8.2f s wall %8.2f s cpu %8d KB peak\n' "$name" "${med[$name]}" "${cpu[$name]}" "${mem[$name]}"
}

export build
export -f our_add our_best our_extract our_list our_extract_pw

# bench_methods: extraction of 7z's archives in the other methods, ours
# beside 7z x.
bench_methods() {
  local packs=$cache/methods method
  mkdir -p "$packs"
  for method in BZip2 LZMA Deflate64 AES256; do
    [ -f "$packs/$method.zip" ] && continue
    echo "Packing accounting/ with 7z as $method (once)..."
    if [ $method = AES256 ]; then
      (cd "$data" && 7z a -tzip -mem=AES256 -pBench-Secret "$packs/.$method.zip" accounting >/dev/null)
    else
      (cd "$data" && 7z a -tzip -mm=$method "$packs/.$method.zip" accounting >/dev/null)
    fi
    mv "$packs/.$method.zip" "$packs/$method.zip"
  done
  echo "Extracting 7z's archives in the other methods ($(du -sm accounting | cut -f1) MB unpacked):"
  for method in BZip2 LZMA Deflate64 AES256; do
    time_it "ours extract $method" "rm -rf $work/x" "our_extract_pw $packs/$method.zip $work/x Bench-Secret"
    diff -rq accounting "$work/x/accounting" >/dev/null || echo "  our $method extraction DIFFERS from the data"
    time_it "7z x $method" "rm -rf $work/x" "7z x -y -pBench-Secret -o$work/x $packs/$method.zip >/dev/null"
  done
  rm -rf "$work/x"
  echo "Summary of the other methods (medians, ours/7z x; goal: at most 1):"
  for method in BZip2 LZMA Deflate64 AES256; do
    printf '  %-10s ours %6.2f s, 7z x %6.2f s, ours/7z x = %s\n' "$method" "${med[ours extract $method]}" \
      "${med[7z x $method]}" "$(ratio "${med[ours extract $method]}" "${med[7z x $method]}")"
  done
}
size() { stat -c %s "$1"; }
ratio() { echo "scale=3; $1 / $2" | bc; }

rm -rf "$work"
mkdir -p "$work"

# Extracting by listed names against extracting everything, and listing,
# for an archive of N entries in 100-entry folders (built once).
names_case() {
  local n=$1 archive=$cache/names-$1.zip
  if [ ! -f "$archive" ]; then
    python3 - "$archive" "$n" <<'PY'
import random, sys, zipfile
path, n = sys.argv[1], int(sys.argv[2])
rnd = random.Random(n)
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(n):
        z.writestr("Registrs/d%04d/Konti%06d.DB" % (i // 100, i), ("row %d;" % rnd.randint(0, 10**6)) * rnd.randint(5, 40))
PY
  fi
  "$build/bin/ornzip" list "$archive" > "$work/names-$n.txt"
  echo "$n entries:"
  time_it "ours list $n" ":" "our_list $archive"
  time_it "unzip -l $n" ":" "unzip -l $archive >/dev/null"
  time_it "ours extract all $n" "rm -rf $work/x" "our_extract $archive $work/x"
  time_it "ours extract names $n" "rm -rf $work/x" \
    "$build/bin/ornzip extract -@ $archive $work/x < $work/names-$n.txt >/dev/null"
  time_it "unzip all $n" "rm -rf $work/x" "unzip -q $archive -d $work/x"
  # unzip matches every name against every entry: beyond 20,000 names it
  # runs for an hour, so it is timed on the smaller archive only.
  local unzipNames="not timed"
  if [ "$n" -le 20000 ]; then
    time_it "unzip names $n" "rm -rf $work/x" "unzip -q $archive -d $work/x \$(cat $work/names-$n.txt)"
    unzipNames=$(ratio "${med[unzip names $n]}" "${med[unzip all $n]}")
  fi
  rm -rf "$work/x"
  echo "  by names / all: ours $(ratio "${med[ours extract names $n]}" "${med[ours extract all $n]}")" \
    "(cpu $(ratio "${cpu[ours extract names $n]}" "${cpu[ours extract all $n]}"); target at most 1.5)," \
    "unzip $unzipNames; list ours/unzip -l = $(ratio "${med[ours list $n]}" "${med[unzip -l $n]}")" \
    "(cpu $(ratio "${cpu[ours list $n]}" "${cpu[unzip -l $n]}"); target at most 0.5)"
}
if [ "$ours" = ornzip ] && [ "${ORN_BENCH_METHODS:-}" != only ]; then
  echo "Choosing entries ($ours; $runs runs each; $(nproc) cores):"
  names_case 20000
  [ "${ORN_BENCH_QUICK:-0}" = 1 ] || names_case 100000
  echo
fi
[ "$names_only" = 1 ] && exit 0
cd "$data"
echo "Tool: $ours; $runs runs each; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${ORN_BENCH_METHODS:-}" = only ]; then
  bench_methods
  exit 0
fi
echo "Adding accounting/ ($(du -sm accounting | cut -f1) MB, $(find accounting -type f | wc -l) files):"
time_it "ours add -9" "rm -f $work/ours.zip" "our_add $work/ours.zip accounting"
time_it "zip -r -9" "rm -f $work/zip9.zip" "zip -qr9 $work/zip9.zip accounting"
time_it "7z a -tzip -mx=5" "rm -f $work/7z5.zip" "7z a -tzip -mx=5 $work/7z5.zip accounting >/dev/null"
echo "Extracting the zip -9 archive:"
time_it "ours extract" "rm -rf $work/x" "our_extract $work/zip9.zip $work/x"
time_it "unzip" "rm -rf $work/x" "unzip -q $work/zip9.zip -d $work/x"
time_it "7z x" "rm -rf $work/x" "7z x -y -o$work/x $work/zip9.zip >/dev/null"
rm -rf "$work/x"
echo "50,000 small files ($(du -sm small | cut -f1) MB on disk):"
time_it "ours add -9 small" "rm -f $work/small.zip" "our_add $work/small.zip small"
time_it "zip -r -9 small" "rm -f $work/smallz.zip" "zip -qr9 $work/smallz.zip small"
time_it "ours list" ":" "our_list $work/small.zip"
time_it "unzip -l" ":" "unzip -l $work/small.zip >/dev/null"
time_it "ours extract small" "rm -rf $work/x" "our_extract $work/small.zip $work/x"
time_it "unzip small" "rm -rf $work/x" "unzip -q $work/small.zip -d $work/x"
time_it "7z x small" "rm -rf $work/x" "7z x -y -o$work/x $work/small.zip >/dev/null"
rm -rf "$work/x"

echo
echo "Summary (medians):"
printf '  add -9:   ours %.2f s, %d bytes; zip -9 %.2f s, %d bytes; 7z -mx=5 %.2f s, %d bytes\n' \
  "${med[ours add -9]}" "$(size "$work/ours.zip")" "${med[zip -r -9]}" "$(size "$work/zip9.zip")" \
  "${med[7z a -tzip -mx=5]}" "$(size "$work/7z5.zip")"
echo "            time ours/zip9 = $(ratio "${med[ours add -9]}" "${med[zip -r -9]}")" \
  "(cpu $(ratio "${cpu[ours add -9]}" "${cpu[zip -r -9]}")), size ours/zip9 =" \
  "$(ratio "$(size "$work/ours.zip")" "$(size "$work/zip9.zip")")," \
  "time ours/7z = $(ratio "${med[ours add -9]}" "${med[7z a -tzip -mx=5]}")"
echo "  extract:  ours/7z x = $(ratio "${med[ours extract]}" "${med[7z x]}"), ours/unzip =" \
  "$(ratio "${med[ours extract]}" "${med[unzip]}")"
echo "  small:    add ours/zip9 = $(ratio "${med[ours add -9 small]}" "${med[zip -r -9 small]}")," \
  "extract ours/7z = $(ratio "${med[ours extract small]}" "${med[7z x small]}")," \
  "list ours/unzip -l = $(ratio "${med[ours list]}" "${med[unzip -l]}")"

if [ "${ORN_BENCH_QUICK:-0}" != 1 ]; then
  echo
  cd "$data"
  bench_methods
  saved_runs=$runs
  runs=1
  cd "$data"
  echo
  echo "100,000 small files ($(du -sm many | cut -f1) MB on disk), one run each:"
  time_it "ours add -9 many" "rm -f $work/many.zip" "our_add $work/many.zip many"
  time_it "zip -r -9 many" "rm -f $work/manyz.zip" "zip -qr9 $work/manyz.zip many"
  time_it "7z a -tzip -mx=5 many" "rm -f $work/many7.zip" "7z a -tzip -mx=5 $work/many7.zip many >/dev/null"
  time_it "ours list many" ":" "our_list $work/many.zip"
  time_it "unzip -l many" ":" "unzip -l $work/many.zip >/dev/null"
  unzip -tq "$work/many.zip" >/dev/null || echo "  unzip -t FAILED on our archive of 100,000 files"

  echo "--best against 7z -mx=9 on accounting/, one run each:"
  time_it "ours add --best" "rm -f $work/best.zip" "our_best $work/best.zip accounting"
  time_it "7z a -tzip -mx=9" "rm -f $work/7z9.zip" "7z a -tzip -mx=9 $work/7z9.zip accounting >/dev/null"
  unzip -tq "$work/best.zip" >/dev/null || echo "  unzip -t FAILED on the --best archive"

  echo "One sparse 5 GiB file (Zip64), one run each:"
  cd "$cache/sparse"
  time_it "ours add -9 5G" "rm -f $work/5g.zip" "our_add $work/5g.zip BIG5G.DB"
  time_it "zip -9 5G" "rm -f $work/5gz.zip" "zip -q9 $work/5gz.zip BIG5G.DB"
  time_it "7z a -tzip -mx=5 5G" "rm -f $work/5g7.zip" "7z a -tzip -mx=5 $work/5g7.zip BIG5G.DB >/dev/null"
  time_it "ours extract 5G" "rm -rf $work/x" "our_extract $work/5g.zip $work/x"
  time_it "7z x 5G" "rm -rf $work/x" "7z x -y -o$work/x $work/5g.zip >/dev/null"
  rm -rf "$work/x"
  unzip -tq "$work/5g.zip" >/dev/null || echo "  unzip -t FAILED on our 5 GiB archive"
  runs=$saved_runs

  echo
  echo "Summary of the one-run cases:"
  echo "  100,000 files: add ours/zip9 = $(ratio "${med[ours add -9 many]}" "${med[zip -r -9 many]}")," \
    "ours/7z = $(ratio "${med[ours add -9 many]}" "${med[7z a -tzip -mx=5 many]}")," \
    "size ours/zip9 = $(ratio "$(size "$work/many.zip")" "$(size "$work/manyz.zip")")," \
    "list ours/unzip -l = $(ratio "${med[ours list many]}" "${med[unzip -l many]}")"
  printf '  --best: ours %.2f s, %d bytes; 7z -mx=9 %.2f s, %d bytes\n' \
    "${med[ours add --best]}" "$(size "$work/best.zip")" "${med[7z a -tzip -mx=9]}" "$(size "$work/7z9.zip")"
  echo "          time ours/7z9 = $(ratio "${med[ours add --best]}" "${med[7z a -tzip -mx=9]}")" \
    "(cpu $(ratio "${cpu[ours add --best]}" "${cpu[7z a -tzip -mx=9]}"))," \
    "size ours/7z9 = $(ratio "$(size "$work/best.zip")" "$(size "$work/7z9.zip")")"
  echo "  5 GiB: add ours/zip9 = $(ratio "${med[ours add -9 5G]}" "${med[zip -9 5G]}")," \
    "ours/7z = $(ratio "${med[ours add -9 5G]}" "${med[7z a -tzip -mx=5 5G]}")," \
    "extract ours/7z = $(ratio "${med[ours extract 5G]}" "${med[7z x 5G]}")," \
    "our peak memory adding ${mem[ours add -9 5G]} KB"
fi

if [ "${ORN_BENCH_BIG:-0}" = 1 ]; then
  big=$cache/big
  if [ ! -f "$big/BIG.DB" ]; then
    mkdir -p "$big"
    for _ in $(seq 1 60); do cat "$data"/accounting/*/TAB01.DB "$data"/accounting/*/*/TAB02.DB 2>/dev/null; done |
      head -c 2100000000 > "$big/BIG.DB"
  fi
  echo "A 2 GB file:"
  cd "$big"
  time_it "ours add -9 big" "rm -f $work/big.zip" "our_add $work/big.zip BIG.DB"
  time_it "ours extract big" "rm -rf $work/x" "our_extract $work/big.zip $work/x"
  rm -rf "$work/x"
  unzip -tq "$work/big.zip"
fi
