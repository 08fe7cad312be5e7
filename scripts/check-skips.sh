#!/usr/bin/env bash
# Lists the tests of the last ctest run in BUILD_DIR that skipped, with their
# reasons, and fails when any of them skipped because test data is missing.
# Usage: scripts/check-skips.sh [BUILD_DIR]
set -euo pipefail
log=${1:-build}/Testing/Temporary/LastTest.log
[ -f "$log" ] || { echo "no test log at $log: run ctest first" >&2; exit 2; }
# GoogleTest prints the reason before "[  SKIPPED ]", Qt Test on its "SKIP"
# line, the install checks on a "SKIP:" line; each test's output in the log
# starts at "<n>/<m> Test: NAME".
awk '
  /^[0-9]+\/[0-9]+ Test: / { test = $3 }
  /test data missing/ { missing[test] = $0 }
  /^\[  SKIPPED \] |^SKIP   : |^SKIP: / { skipped[test] = 1 }
  END {
    for (t in skipped) if (!(t in missing)) print "skipped (optional): " t
    for (t in missing) { print "SKIPPED, TEST DATA MISSING: " t ": " missing[t]; bad = 1 }
    exit bad
  }' "$log"
