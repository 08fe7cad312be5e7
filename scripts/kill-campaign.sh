#!/usr/bin/env bash
# Kills unattended archive runs and restores with SIGKILL at one system call
# after another (strace's fault injection), lets the program start again as
# a user would, and counts what the user would lose: generations that can no
# longer be read, files the program left behind, and tables whose index does
# not match them, judged by pxlib rather than by this program.
#
# The world of each kill: the example job with volumes of 100 KB and a file
# of noise, after one complete run; then new, shorter noise and a register
# record with an empty Fail, so that the killed run changes the register and
# replaces the volume sets of its slot by shorter ones. The restores put the
# whole data folder, every table with its index, back from that generation.
#
# Usage: scripts/kill-campaign.sh BUILD_DIR [WRITE_STRIDE] [archive|restore|all]
#   WRITE_STRIDE: kill at every that many writes (default 7).
#   The third argument limits the campaign to archive runs or to restores.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scripts/kill-campaign.sh BUILD_DIR [WRITE_STRIDE] [archive|restore|all]}" && pwd)
stride=${2:-7}
which=${3:-all}
bin=$build/bin
command -v strace >/dev/null || { echo "strace is needed" >&2; exit 2; }
for tool in archivator ornzip mkexample pxpaircheck; do
  [ -x "$bin/$tool" ] || { echo "$bin/$tool is not built" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
temp=$bin/OrnZpArh_Temporary_Directory
runs=0 kills=0 lost=0 leftovers=0 mismatched=0 failedNext=0

archive() { # WORLD [strace args...]: one unattended archive run
  local w=$1; shift
  runs=$((runs + 1))
  (cd "$w" && ORN_ALIASES="$w/Aliases.ini" timeout 300 "$@" "$bin/archivator" example.arh AUTO ARHIV >/dev/null 2>&1) 2>/dev/null
}

restore() { # WORLD [strace args...] -- [NAME...]: entries back from the generation
  local w=$1 set
  shift
  local tracer=()
  while [ "$1" != -- ]; do tracer+=("$1"); shift; done
  shift
  set=$(last_volume "$w/archives")
  runs=$((runs + 1))
  (: && timeout 300 "${tracer[@]}" "$bin/ornzip" extract "$set" / "$@" >/dev/null 2>&1) 2>/dev/null
}

last_volume() { # FOLDER: the set the archive chooser offers, by its last volume
  ls "$1"/Buh\(Day_*-th\)[0-9][0-9][0-9].zip 2>/dev/null | sort | tail -1
}

make_world() {
  local w=$1
  "$root/scripts/example-job.sh" "$w" >/dev/null
  sed -i 's/FLOPY 144=FALSE/FLOPY 144=100/' "$w/example.arh"
  head -c 250000 /dev/urandom >"$w/data/noise.bin"
  printf '%s\r\n' "$w/data/noise.bin" >>"$w/example.arh"
  archive "$w" || { echo "the first run of a world failed" >&2; exit 1; }
  head -c 120000 /dev/urandom >"$w/data/noise.bin"
  "$bin/mkexample" --blank "$w/data"
}

# Every set a user can choose must read whole through its last volume.
count_lost() {
  local w=$1 folder set
  for folder in "$w/archives" "$w/second-copy"; do
    set=$(last_volume "$folder")
    if [ -z "$set" ] || ! "$bin/ornzip" test "$set" >/dev/null 2>&1; then
      lost=$((lost + 1))
      echo "  unreadable generation in $folder: ${set:-none}" >&2
    fi
  done
}

count_leftovers() {
  local w=$1 found
  found=$(find "$w" "$temp" -mindepth 1 \( -name '.~orn-*' -o -name '~orn-*' -o -name 'ornz??????' \
    -o -name '*.orn??????' -o -name '.*.tmp' \) 2>/dev/null)
  if [ -n "$found" ]; then
    leftovers=$((leftovers + $(printf '%s\n' "$found" | wc -l)))
    printf '  left behind: %s\n' $found >&2
  fi
}

count_mismatched() {
  local w=$1 out
  if ! out=$("$bin/pxpaircheck" "$w"/data/*.DB "$w"/data/SprFiles.db); then
    mismatched=$((mismatched + $(printf '%s\n' "$out" | grep -c mismatch)))
    printf '%s\n' "$out" | grep mismatch >&2
  fi
}

# One phase: kill the command at its Nth call of CALLS, N = first, first +
# step, ... until the command runs to its end without being killed.
phase() { # NAME CALLS STEP COMMAND(world, strace args...) NEXT(world)
  local name=$1 calls=$2 step=$3 command=$4 next=$5 n=1 status w
  while :; do
    w=$work/w
    rm -rf "$w"
    make_world "$w"
    $command "$w" strace -f -qq -o /dev/null -e trace="$calls" -e inject="$calls":signal=SIGKILL:when=$n
    status=$?
    if [ $status -eq 137 ] || [ $status -eq 124 ]; then kills=$((kills + 1)); fi
    count_lost "$w"
    $next "$w" || { failedNext=$((failedNext + 1)); echo "  the next start failed ($name, call $n)" >&2; }
    count_lost "$w"
    count_leftovers "$w"
    count_mismatched "$w"
    [ $status -ne 137 ] && [ $status -ne 124 ] && break
    n=$((n + step))
  done
  echo "$name: killed at $(((n - 1) / step)) points, then ran through"
}

archive_killed() { archive "$@"; }
archive_next() { archive "$1"; }
restore_all() { restore "$@" --; }
restore_next() { restore "$1" -- '*ATSKAITE.TXT'; }

for calls in rename,renameat,renameat2 unlink,unlinkat fsync,fdatasync; do
  [ "$which" != restore ] && phase "archive run, $calls" "$calls" 1 archive_killed archive_next
  [ "$which" != archive ] && phase "restore, $calls" "$calls" 1 restore_all restore_next
done
[ "$which" != restore ] && phase "archive run, every ${stride}th write" write,pwrite64 "$stride" archive_killed archive_next
[ "$which" != archive ] && phase "restore, every write" write,pwrite64 1 restore_all restore_next

echo "runs $runs, kills $kills, lost generations $lost, leftovers $leftovers, mismatched pairs $mismatched," \
  "next starts that failed $failedNext"
[ $lost -eq 0 ] && [ $leftovers -eq 0 ] && [ $mismatched -eq 0 ] && [ $failedNext -eq 0 ]
