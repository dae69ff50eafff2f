#!/usr/bin/env python3
"""The failures in ipptool's -t output on standard input, one line each as
"SUITE | test | expectation not met" (a failed test with no expectation named gives its status
line), and the counts of passed, skipped and failed tests on standard error."""
import re
import sys

suite = sys.argv[1]
counts = {"PASS": 0, "SKIP": 0, "FAIL": 0}
test = None
named = False
for line in sys.stdin:
    result = re.match(r"^    (\S.*?)\s+\[(PASS|SKIP|FAIL)\]\s*$", line)
    if result:
        if test is not None and not named:
            print(f"{suite} | {test} | (no expectation named)")
        counts[result.group(2)] += 1
        test = result.group(1) if result.group(2) == "FAIL" else None
        named = False
        continue
    if test is None:
        continue
    detail = line.strip()
    if detail.startswith("EXPECTED:") or detail.startswith("IPP request failed"):
        print(f"{suite} | {test} | {detail}")
        named = True
if test is not None and not named:
    print(f"{suite} | {test} | (no expectation named)")
print(f"{suite}: {counts['PASS']} passed, {counts['SKIP']} skipped, {counts['FAIL']} failed",
      file=sys.stderr)
