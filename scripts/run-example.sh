#!/usr/bin/env bash
# Installs what is missing, builds, and backs up the bundled example job
# unattended, as a scheduler would: "archivator JOB AUTO ARHIV". The example
# data is copied into build/example first, so the committed files stay as
# they are; the archives land in build/example/archives.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
scripts/build.sh

work="$root/build/example"
mkdir -p "$work"
scripts/example-job.sh "$work"
export ORN_ALIASES="$work/Aliases.ini"
job="$work/example.arh"

# Without a display the program runs offscreen by itself. Params.ini lands in
# the current directory, so the run starts in the scratch folder.
status=0
(cd "$work" && "$root/build/bin/archivator" "$job" AUTO ARHIV) || status=$?
echo "archivator exit status: $status"

echo "== $work/archives and the second copy"
ls -lR "$work/archives" "$work/second-copy"
for zip in "$work"/archives/*.zip; do
  [ -e "$zip" ] || continue
  echo "== entries of $zip"
  build/bin/ornzip list "$zip"
done
echo "== log"
cat "$work/archives/ZuzIzu_log.txt" 2>/dev/null || echo "(no problems logged)"
exit "$status"
