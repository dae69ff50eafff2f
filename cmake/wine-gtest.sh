#!/usr/bin/env bash
# Runs a GoogleTest program of the Windows build under Wine for CTest: wine-gtest.sh REPORT PROGRAM,
# REPORT a file name relative to the working folder (Wine reads it as the program's own).
# Wine 8 has been seen to leave a process that ended its tests hanging in its own teardown; such a
# process is stopped once its report is written, its threads are shown, and the report decides.
set -uo pipefail
report=$1
program=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
grace=${CV_WINE_EXIT_GRACE:-60}

rm -f "$report"
"$here/wine-run.sh" "$program" --gtest_output="xml:$report" "$@" &
pid=$!
reported=""
while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    [ -s "$report" ] || continue
    reported=${reported:-$(date +%s)}
    [ $(($(date +%s) - reported)) -ge "$grace" ] || continue
    echo "wine-gtest: $(basename "$program") wrote its report but has not exited after ${grace} s;" \
        "its threads, then the prefix is stopped:"
    WINEDEBUG=-all timeout 30 winedbg --command "info thread" 2>&1 | head -60
    wineserver -k
    kill -KILL "$pid" 2>/dev/null
    wait "$pid"
    if grep -q '<testsuites[^>]* failures="0"[^>]* errors="0"' "$report"; then
        echo "wine-gtest: every test of the report passed; only the process's exit hung"
        exit 0
    fi
    echo "wine-gtest: the report has failures"
    exit 1
done
wait "$pid"
