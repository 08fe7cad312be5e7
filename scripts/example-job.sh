#!/usr/bin/env bash
# Sets up the bundled example job in WORK: a copy of examples/data in
# WORK/data, an alias file WORK/Aliases.ini for it and the job WORK/example.arh
# (archives to WORK/archives, second copy to WORK/second-copy); WORK is made
# when missing. Alias files and job files hold absolute paths, so they are
# written here rather than kept.
# Usage: scripts/example-job.sh WORK
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: scripts/example-job.sh WORK" >&2; exit 2; }
mkdir -p "$1"
work=$(cd "$1" && pwd)

rm -rf "$work/data"
mkdir -p "$work/archives"
cp -r "$root/examples/data" "$work/data"
chmod -R u+w "$work/data"

printf '[BUHDATA]\r\nPATH=%s\r\nTYPE=PARADOX\r\n' "$work/data" > "$work/Aliases.ini"
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
} > "$work/example.arh"
