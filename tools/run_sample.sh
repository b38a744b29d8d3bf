#!/usr/bin/env bash
# Installs the Debian packages that the tool and its companion programs need (those
# missing; see tools/packages.txt), builds them, writes a Mich-Huron sample from the
# monthly record in data/ (the historical traces of 1950 to 2014 over a year from
# 1 June 2025) into scratch/sample, has rerove_outlook check it, runs the tool
# there, summarises and draws the outlook, makes the hindcast of its lake and the
# report page.
# Run from anywhere; paths are taken from the repository root.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/packages.sh

# Reuse the build tree of the test command (tools/run_tests.sh) where one exists,
# so that the two set-up commands do not compile everything twice; otherwise build
# the programs alone, without the tests.
preset=sample
if [ -f build/ci/CMakeCache.txt ]; then
    preset=ci
else
    rt_install_groups build companion || exit 1
fi
build="build/$preset"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset"
cmake --build --preset "$preset" --target rerove_tivorn make_scenarios rerove_outlook

sample=scratch/sample
rm -rf "$sample"
"$build"/make_scenarios/make_scenarios --record data/lake-components-monthly.csv -d "$sample" MHU 1950-2014 06/01/2025 365

echo
echo "What rerove_outlook check says of $sample before the run:"
"$build"/outlook/rerove_outlook check MHU "$sample"

echo
echo "Running rerove_tivorn MHU in $sample"
status=0
(cd "$sample" && "../../$build"/rerove_tivorn/rerove_tivorn MHU) || status=$?
if [ "$status" -ne 0 ]; then
    echo "rerove_tivorn ended with exit status $status (see the lines above and $sample/ERROR.INT)"
    exit "$status"
fi

echo
tables=("$sample"/mhDNBS_*.txt)
echo "${#tables[@]} tables written to $sample, from ${tables[0]##*/} to ${tables[-1]##*/}."
echo
echo "First rows of $sample/mhDNBS_1950.txt:"
head -n 12 "$sample/mhDNBS_1950.txt"

echo
echo "Ensemble statistics by quarter-month in $sample/summary.csv (first rows):"
(cd "$sample" && "../../$build"/outlook/rerove_outlook summary --lake MHU > summary.csv)
head -n 4 "$sample/summary.csv"
(cd "$sample" && "../../$build"/outlook/rerove_outlook plot --lake MHU --traces -o outlook.svg > /dev/null)
echo
echo "Fan chart of the outlook in $sample/outlook.svg (open it in a browser)."
(cd "$sample" && "../../$build"/outlook/rerove_outlook plot --lake MHU --period month --kind exceedance \
    --at 2026-03-01 -o march.svg 2> /dev/null)
echo "Exceedance chart of March 2026 in $sample/march.svg."
echo
echo "How much better than climatology the traces that start from the lake's state have been (the hindcast"
echo "of every year of the record from 1 June, by month; a minute or so):"
(cd "$sample" && "../../$build"/outlook/rerove_outlook hindcast --record ../../data/lake-components-monthly.csv \
    --lake MHU --start 06-01 --days 365 --condition -o hindcast.csv > hindcast-leads.csv 2> hindcast.log)
tail -n 1 "$sample/hindcast.log"
cut -d, -f1-7 "$sample/hindcast-leads.csv" | head -n 4
(cd "$sample" && "../../$build"/outlook/rerove_outlook report -o report.html --hindcast hindcast.csv 2> /dev/null)
echo "The outlook's report page, with the hindcast, in $sample/report.html (open it in a browser, print it or send it)."
