#!/usr/bin/env bash
# Times the second copy to a remote (upload under a temporary name, check,
# rename into place) beside `rclone copyto` alone, side by side in one run,
# with a generation of SIZE_MB megabytes (default 300) of incompressible
# bytes, as a zip is, sent to `rclone serve sftp` on 127.0.0.1. The check is
# the difference; the target is at most 1.3 times the plain upload.
#
#   scripts/bench-remote.sh [BUILD_DIR] [RUNS] [SIZE_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
size=${3:-300}
command -v rclone >/dev/null || { echo "needs rclone" >&2; exit 1; }
[ -x "$build/bin/remote_copy_bench" ] || { echo "build remote_copy_bench first (scripts/build.sh)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/orn-remote-bench.XXXXXX")
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/served" "$work/log"
head -c "${size}M" /dev/urandom > "$work/Buh.zip"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export RCLONE_CONFIG=$work/rclone.conf
cat > "$RCLONE_CONFIG" <<CONF
[bench]
type = sftp
host = 127.0.0.1
port = $port
user = u
pass = $(rclone obscure secret)
CONF
rclone serve sftp "$work/served" --addr "127.0.0.1:$port" --user u --pass secret \
  --config /dev/null >"$work/serve.log" 2>&1 &
server=$!
for _ in $(seq 50); do
  rclone lsf bench: >/dev/null 2>&1 && break
  sleep 0.2
done

# Seconds the command took; its own output goes to the log folder.
seconds() { local s; s=$(date +%s.%N); "$@" >>"$work/log/out.txt" 2>&1; echo "$(date +%s.%N) - $s" | bc; }
best_ours=""; best_peer=""
for run in $(seq "$runs"); do
  # A folder of each run's own: the server keeps its own view of the folders
  # it serves, which files removed behind its back would confuse.
  peer=$(seconds rclone copyto "$work/Buh.zip" "bench:peer$run/Buh.zip")
  ours=$(seconds "$build/bin/remote_copy_bench" "$work/Buh.zip" "bench:ours$run/Buh.zip" "$work/log")
  cmp -s "$work/Buh.zip" "$work/served/ours$run/Buh.zip" || {
    echo "the copy on the remote differs; see $work/log" >&2
    cat "$work/log/"* >&2
    exit 1
  }
  printf 'run %d: ours %.2f s, rclone copyto %.2f s\n' "$run" "$ours" "$peer"
  if [ -z "$best_ours" ] || [ "$(echo "$ours < $best_ours" | bc)" = 1 ]; then best_ours=$ours; fi
  if [ -z "$best_peer" ] || [ "$(echo "$peer < $best_peer" | bc)" = 1 ]; then best_peer=$peer; fi
done
printf '%-44s %10s %16s %7s\n' "${size} MB to rclone serve sftp (best of $runs)" "ours" "rclone copyto" "ratio"
printf '%-44s %9.2fs %15.2fs %6.2fx\n' "upload + check + rename" "$best_ours" "$best_peer" \
  "$(echo "$best_ours / $best_peer" | bc -l)"
