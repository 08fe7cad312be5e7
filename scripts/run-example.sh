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
rm -rf "$work/data"
mkdir -p "$work/archives"
cp -r examples/data "$work/data"

# Alias files and job files hold absolute paths, so both are written here.
printf '[BUHDATA]\r\nPATH=%s\r\nTYPE=PARADOX\r\n' "$work/data" > "$work/Aliases.ini"
export ORN_ALIASES="$work/Aliases.ini"
job="$work/example.arh"
{
  printf '\r\n'
  printf '{********************************************************}\r\n'
  printf '{*               ORN Archivator INI file                *}\r\n'
  printf '{*                                   New Version 2001  *}\r\n'
  printf '{********************************************************}\r\n'
  printf 'INITIALIZATION\r\n'
  printf 'DATE=30,12,1899\r\n'
  printf 'ARHIVE DIRECTORY=%s/\r\n' "$work/archives"
  printf 'ARHIVE NAME=Buh\r\n'
  printf 'LOAD FROM=DB\r\n'
  printf 'DB FILE=%s\r\n' "$work/data/SprFiles.db"
  printf 'FLOPY 144=FALSE\r\n'
  printf 'ARHIVE PARAMS=Unique|WM\r\n'
  printf '+FOLDER=%s/\r\n' "$work/second-copy"
  printf 'LIST\r\n'
  printf '%s\r\n' "$work/data/ATSKAITE.TXT" "$work/data/EKSPORTS.CSV"
} > "$job"

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
