#!/usr/bin/env bash
# Builds the tool, writes a small Mich-Huron sample (five scenario years, 300 days
# from 1 June 2024) into scratch/sample and runs the tool there.
# Run from anywhere; paths are taken from the repository root.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset dev
cmake --build --preset dev --target rerove_tivorn make_scenarios

sample=scratch/sample
rm -rf "$sample"
build/dev/tools/make_scenarios -d "$sample" MHU 1950-1954 06/01/2024 300

echo
echo "Running rerove_tivorn MHU in $sample"
status=0
(cd "$sample" && ../../build/dev/rerove_tivorn/rerove_tivorn MHU) || status=$?
if [ "$status" -ne 0 ]; then
    echo "rerove_tivorn ended with exit status $status (see the lines above and $sample/ERROR.INT)"
    exit "$status"
fi

echo
echo "Tables written to $sample:"
ls -l "$sample"/mhDNBS_*.txt
echo
echo "First rows of $sample/mhDNBS_1950.txt:"
head -n 12 "$sample/mhDNBS_1950.txt"
