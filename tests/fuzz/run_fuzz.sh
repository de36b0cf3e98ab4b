#!/usr/bin/env bash
# Runs the fuzz targets built in BUILD/bin/fuzz one after another, each for
# SECONDS seconds (one at a time: a fuzzer takes a whole core). Each works on
# its corpus in BUILD/fuzz-corpus/<target> (kept between runs), seeded from
# make_seeds.sh and the checked-in regression corpus; a finding is written to
# BUILD/fuzz-findings/<target>/ and stops that target's run.
#   run_fuzz.sh BUILD SECONDS [TARGET...]
set -uo pipefail
BUILD=${1:?usage: run_fuzz.sh BUILD SECONDS [TARGET...]}
SECS=${2:?usage: run_fuzz.sh BUILD SECONDS [TARGET...]}
shift 2
HERE=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(wav_header mpeg_scan layer3_import ini_settings cli_options)

[ -d "$BUILD/fuzz-seeds" ] || "$HERE/make_seeds.sh" "$BUILD/fuzz-seeds" >/dev/null
status=0
for t in "${targets[@]}"; do
  exe="$BUILD/bin/fuzz/fuzz-$t"
  if [ ! -x "$exe" ]; then
    echo "run_fuzz: no such target: $t" >&2
    exit 2
  fi
  mkdir -p "$BUILD/fuzz-corpus/$t" "$BUILD/fuzz-findings/$t"
  echo "== $t for ${SECS}s"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$exe" -max_total_time="$SECS" -max_len=65536 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$BUILD/fuzz-findings/$t/" \
    "$BUILD/fuzz-corpus/$t" "$BUILD/fuzz-seeds/$t" "$HERE/corpus/$t" 2>&1 |
    grep -E '^(#[0-9]+[[:space:]]+(DONE|INITED)|stat::|==[0-9]+==ERROR|SUMMARY|.*invariant broken|artifact_prefix|Test unit written)' || true
  if ls "$BUILD/fuzz-findings/$t"/* >/dev/null 2>&1; then
    echo "findings for $t in $BUILD/fuzz-findings/$t"
    status=1
  fi
done
exit $status
