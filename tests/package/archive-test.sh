#!/bin/bash
# The release archives as a user gets them: each is unpacked into an empty folder, its digests are
# checked, and the main example runs from there (the Windows archive under Wine) to the recorded
# output.
#   tests/package/archive-test.sh PACKAGE_DIR VERSION WORKDIR
# Without archives (make package not run) the test is skipped, unless CV_REQUIRE_PACKAGE=1, as
# `make test` sets it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
packages=$1
version=$2
work=$3
linux=$packages/cv-PDLStreamFilter-$version-linux-x86_64.tar.gz
windows=$packages/cv-PDLStreamFilter-$version-win-x64.zip

if [ ! -f "$linux" ] || [ ! -f "$windows" ]; then
    echo "no release archives of version $version in $packages (make package writes them)"
    [ "${CV_REQUIRE_PACKAGE:-0}" = 1 ] && exit 1
    exit 77
fi
expected=$(grep ' postscript-job/postscript-job.out$' "$root/examples/expected-outputs.sha256")
failed=0

# check NAME ARCHIVE HOST [RUNNER]: unpack, verify, run the main example with HOST (relative to
# the unpacked folder).
check() {
    local name=$1 archive=$2 host=$3 runner=${4:-}
    local folder=$work/$name
    rm -rf "$folder"
    mkdir -p "$folder"
    (cd "$folder" && cmake -E tar xf "$archive")
    local unpacked=$folder/cv-PDLStreamFilter-$version-$name
    if ! (cd "$packages" && sha256sum --check --quiet "$(basename "$archive").sha256"); then
        echo "FAILED: $name: the archive is not the one its digest file names"
        failed=1
    fi
    if ! (cd "$unpacked" && sha256sum --check --quiet SHA256SUMS); then
        echo "FAILED: $name: a file of the archive is not the one SHA256SUMS names"
        failed=1
    fi
    local said
    said=$(${runner:+"$runner"} "$unpacked/$host" --version | tr -d '\r')
    if [ "$said" != "pdl-stream-filter $version" ]; then
        echo "FAILED: $name: --version says \"$said\", not \"pdl-stream-filter $version\""
        failed=1
    fi
    if ! "$unpacked/examples/run-example.sh" postscript-job "$unpacked/$host" "$folder/out" \
        "$runner" > "$folder/run.log" 2>&1; then
        echo "FAILED: $name: the main example did not run:"
        cat "$folder/run.log"
        failed=1
    elif ! (cd "$folder/out" && echo "$expected" | sha256sum --check --quiet); then
        echo "FAILED: $name: the main example's output is not the recorded one"
        failed=1
    else
        echo "ok: $name"
    fi
}

check linux-x86_64 "$linux" bin/pdl-stream-filter
export WINEPREFIX=${WINEPREFIX:-$packages/wineprefix}
"$root/cmake/wine-prefix.sh" "$WINEPREFIX"
check win-x64 "$windows" bin/pdl-stream-filter.exe "$root/cmake/wine-run.sh"
exit $failed
