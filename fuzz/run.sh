#!/usr/bin/env bash
# Runs one fuzz target of the fuzz preset's build from its checked-in corpus.
#
#   fuzz/run.sh TARGET SECONDS     fuzz for SECONDS; new inputs and crashes go to
#                                  build/fuzz/found/TARGET; prints executions and
#                                  the coverage gained
#   fuzz/run.sh merge TARGET       minimises the corpus with what was found into
#                                  fuzz/corpus/TARGET (-merge=1)
#
# Build first: cmake --preset fuzz && cmake --build --preset fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: fuzz/run.sh TARGET SECONDS | fuzz/run.sh merge TARGET" >&2; exit 2; }
[ $# -eq 2 ] || usage

if [ "$1" = merge ]; then
  target=$2
else
  target=$1
  seconds=$2
fi
binary=build/fuzz/fuzz/$target
corpus=fuzz/corpus/$target
found=build/fuzz/found/$target
[ -x "$binary" ] || { echo "no $binary: build the fuzz preset first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "no corpus $corpus" >&2; exit 1; }
mkdir -p "$found"

# Inputs up to 16 KB: the text targets must reach lines beyond every limit.
options=(-max_len=16384 -print_final_stats=1 "-artifact_prefix=$found/")
[ -f "fuzz/dict/$target.dict" ] && options+=("-dict=fuzz/dict/$target.dict")
# The readers and the tool write files for every input: memory is faster.
[ -d /dev/shm ] && export TMPDIR=/dev/shm

if [ "$1" = merge ]; then
  merged=$(mktemp -d)
  # Edges only (no hit counts): the corpus stays small.
  "$binary" -merge=1 -use_counters=0 "${options[@]}" "$merged" "$corpus" "$found" 2>&1 | grep -E "MERGE-OUTER: [0-9]+ new files" || true
  rm -f "$corpus"/*
  cp "$merged"/* "$corpus"/
  rm -rf "$merged"
  echo "$target: $(ls "$corpus" | wc -l) files, $(du -sb "$corpus" | cut -f1) bytes"
  exit 0
fi

log=$found/last-run.log
status=0
"$binary" "${options[@]}" -max_total_time="$seconds" "$found" "$corpus" >"$log" 2>&1 || status=$?
start=$(grep -m1 -oE "INITED cov: [0-9]+" "$log" | grep -oE "[0-9]+$" || echo 0)
end=$(grep -oE "cov: [0-9]+" "$log" | tail -1 | grep -oE "[0-9]+$" || echo 0)
runs=$(grep -oE "stat::number_of_executed_units: [0-9]+" "$log" | grep -oE "[0-9]+$" || echo "?")
echo "$target: $runs executions in ${seconds}s, coverage $start -> $end (+$((end - start))), log $log"
if [ "$status" -ne 0 ]; then
  echo "$target: FINDING (exit $status); inputs in $found:" >&2
  grep -E "^(==|SUMMARY|fuzz property broken|artifact_prefix|Test unit written)" "$log" | head -20 >&2
fi
exit "$status"
