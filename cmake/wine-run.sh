#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: a prefix of the build's own (WINEPREFIX, set by
# the tests, else beside this build's programs), no debug chatter, no Mono/Gecko installers, and a
# Western ANSI code page (1252) whatever the machine's locale.
set -euo pipefail
program=$1
shift
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$program")/.." && pwd)/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 wine "$program" "$@"
