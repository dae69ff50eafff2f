#!/bin/bash
# Every example through the host binary, its output checked against the recorded digests and the
# filter's account against the recorded one. The Linux and the Windows host are held to the same
# records, so their outputs are byte-identical and their accounts the same.
#   tests/host/examples-test.sh HOST OUTDIR [RUNNER]
# With a RUNNER (Wine) the Atrium example is left out: the Windows host takes printers from the
# real spooler, which has none of the example's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
host=$1
outdir=$2
runner=${3:-}
names=(postscript-job pclxl-job encrypted-postscript xps-wrapped-pdf)
[ -z "$runner" ] && names+=(atrium-hand-off)

# The hand-off's job folder lies in the data folder the command line names (over the job file's),
# and its JobSpec.xml carries the job file's page count, a property of the integer kind.
atrium_folder_checked() {
    local folder
    folder=$(sed -n 's/^ *"atriumJobFolder": "\(.*\)",*$/\1/p' "$1/report.json")
    if [[ "$folder" != "$1/programdata/"* ]]; then
        echo "FAILED: atrium-hand-off: the job folder $folder is not in $1/programdata"
    elif ! grep -q "<Pages>1</Pages>" "$folder/JobSpec.xml"; then
        echo "FAILED: atrium-hand-off: JobSpec.xml lacks the job file's page count"
    else
        return 0
    fi
    return 1
}

mkdir -p "$outdir"
failed=0
for name in "${names[@]}"; do
    if ! "$root/examples/run-example.sh" "$name" "$host" "$outdir" "$runner" > "$outdir.$name.log" 2>&1; then
        echo "FAILED: $name did not run:"
        cat "$outdir.$name.log"
        failed=1
        continue
    fi
    expected=$(grep " $name/" "$root/examples/expected-outputs.sha256")
    if ! (cd "$outdir" && echo "$expected" | sha256sum --check --quiet); then
        echo "FAILED: $name: the output is not the recorded one"
        failed=1
    elif ! diff "$root/examples/expected-accounts/$name.txt" "$outdir/$name/account.txt"; then
        echo "FAILED: $name: the account is not the recorded one"
        failed=1
    elif [ "$name" = atrium-hand-off ] && ! atrium_folder_checked "$outdir/$name"; then
        failed=1
    else
        echo "ok: $name"
    fi
done
exit $failed
