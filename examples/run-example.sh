#!/bin/bash
# Runs one example job through the filter with the command-line host:
#   examples/run-example.sh NAME [HOST [OUTDIR [RUNNER]]]
# NAME is an examples/NAME.json; HOST defaults to the pdl-stream-filter of an unpacked release
# archive (bin/ beside examples/), else to the Linux build's; the run
# happens in OUTDIR/NAME (default build/examples/NAME); RUNNER (for example cmake/wine-run.sh)
# runs a Windows host. Leaves NAME.out, report.json, account.txt (the filter's account as
# --explain prints it, the Atrium job folder's name left out) and, per example, NAME.decrypted or
# JobContent.out there.
set -euo pipefail
examples=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$examples")
name=$1
default_host=$root/bin/pdl-stream-filter
[ -x "$default_host" ] || default_host=$root/build/linux/bin/pdl-stream-filter
host=${2:-$default_host}
outdir=${3:-$root/build/examples}/$name
runner=${4:-}
run() { ${runner:+"$runner"} "$host" "$@"; }

rm -rf "$outdir"
mkdir -p "$outdir"
cd "$outdir"
input=()
if [ "$name" = xps-wrapped-pdf ]; then
    # The pipeline keeps the application's print-ready file as a temporary copy and names it in a
    # property; the filter sends that file on and deletes it. Its own input stream is not copied.
    cp "$examples/jobs/doc001.pdfwrite.pdf" print-ready.tmp
    : > pipeline-input
    input=(--input pipeline-input)
fi
if [ "$name" = atrium-hand-off ]; then
    # A common application data folder of this run's own (Linux; Windows has the machine's).
    input=(--program-data "$outdir/programdata")
fi
run run --job "$examples/$name.json" "${input[@]}" --output "$outdir/$name.out" --report report.json \
    --explain | tee run.txt
grep '^ ' run.txt | sed 's/Atrium job folder .*: /Atrium job folder: /' > account.txt
case "$name" in
    encrypted-postscript)
        run decrypt --pass-phrase-file "$examples/$name.passphrase" --input "$name.out" \
            --output "$name.decrypted"
        echo "decrypted: $outdir/$name.decrypted"
        ;;
    atrium-hand-off)
        folder=$(sed -n 's/^ *"atriumJobFolder": "\(.*\)",*$/\1/p' report.json)
        if [ -z "$folder" ]; then
            echo "run-example.sh: the job made no Atrium job folder" >&2
            exit 1
        fi
        ls "$folder"
        cp "$folder/JobContent.out" JobContent.out
        ;;
esac
