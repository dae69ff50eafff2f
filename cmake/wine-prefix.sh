#!/usr/bin/env bash
# Creates (or brings up to date) the Wine prefix that the Windows tests run in; the first run of a
# fresh build tree takes a few seconds more for it.
set -euo pipefail
export WINEPREFIX=$1
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 wineboot --init >/dev/null 2>&1 || true
wineserver --wait
test -f "$WINEPREFIX/system.reg"
