#!/bin/bash
# A 1 GiB job streamed from standard input to standard output: every byte passes, and the host's
# peak resident memory (its own figure, from the report) stays well under 100 MB.
#   tests/host/large-stream-test.sh HOST WORKDIR [MEBIBYTES]
set -euo pipefail
host=$1
work=$2
mebibytes=${3:-1024}
limit=$((100 * 1024 * 1024))
rm -rf "$work"
mkdir -p "$work"
cd "$work"
echo '{ "properties": { "Corvo_PjlToInsert": "@PJL SET COPIES=1\r\n" }, "driver": { "pdl": 7363 } }' > job.json
body=$((mebibytes * 1024 * 1024))
header=$'\e%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS-Adobe-3.0\n'
trailer=$'\n%%EOF\n\e%-12345X@PJL EOJ\r\n\e%-12345X'
outputBytes=$({ printf '%s' "$header"; yes '0 0 moveto (a line of page content) show' | head -c "$body"
               printf '%s' "$trailer"; } |
             "$host" run --job job.json --input - --output - --report report.json | wc -c)
inputBytes=$((${#header} + body + ${#trailer}))
peak=$(sed -n 's/^ *"peakResidentBytes": \([0-9]*\).*/\1/p' report.json)
bytesIn=$(sed -n 's/^ *"bytesIn": \([0-9]*\).*/\1/p' report.json)
echo "input $inputBytes bytes, output $outputBytes bytes, peak resident memory $peak bytes"
[ "$bytesIn" -eq "$inputBytes" ] || { echo "FAILED: the filter read $bytesIn of $inputBytes bytes"; exit 1; }
[ "$outputBytes" -gt "$inputBytes" ] || { echo "FAILED: the output lost bytes"; exit 1; }
[ -n "$peak" ] && [ "$peak" -lt "$limit" ] || { echo "FAILED: peak resident memory $peak >= $limit"; exit 1; }
echo "ok"
