#!/bin/bash
# The command line of the host binary: exit codes, messages, what is (not) written, standard
# streams, and decryption failures.
#   tests/host/host-cli-test.sh HOST WORKDIR [RUNNER]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
host=$1
work=$2
runner=${3:-}
run() { ${runner:+"$runner"} "$host" "$@"; }

rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# expect CODE LABEL COMMAND...: the command exits with CODE; its stderr is kept in err.txt.
expect() {
    local code=$1 label=$2
    shift 2
    "$@" > out.txt 2> err.txt
    local actual=$?
    if [ "$actual" -ne "$code" ]; then
        fail "$label: exit $actual, expected $code; stderr: $(cat err.txt)"
        return 1
    fi
    ok "$label"
}

input="$root/examples/jobs/doc001.ps2write-drv.pjl.ps"
cat > good.json <<JSON
{ "properties": { "Corvo_PjlToInsert": "@PJL SET COPIES=2\r\n" }, "driver": { "pdl": 7363 } }
JSON

# Bad job files: exit 2, a message naming the fault, and no output file.
printf '{ "driver": { "pdl": 7363 }, ' > not-json.json
echo '{ "driver": { "pdl": 7363, "colour": true } }' > unknown-key.json
echo '{ "driver": { "pdl": "PostScript" } }' > wrong-type.json
echo '{ "input": "no-such-job.ps", "driver": { "pdl": 7363 } }' > missing-input.json
echo '{ "properties": { "TotalPagedRenderedInPdlOutput": 1.5 } }' > fraction.json
for case in "not-json:not JSON" "unknown-key:\"driver.colour\": unknown key" \
            "wrong-type:\"driver.pdl\": expected an integer" \
            "missing-input:cannot read the input" \
            "fraction:\"properties.TotalPagedRenderedInPdlOutput\""; do
    file=${case%%:*}
    message=${case#*:}
    rm -f never.out
    inputOption=(--input "$input")
    [ "$file" = missing-input ] && inputOption=()
    if expect 2 "bad job file $file" run run --job "$file.json" "${inputOption[@]}" --output never.out; then
        grep -qF "$message" err.txt || fail "$file: the message does not say '$message': $(cat err.txt)"
        [ ! -e never.out ] || fail "$file: an output file was written"
    fi
done
expect 2 "a job file that does not exist" run run --job absent.json --output never.out
expect 2 "an unknown option" run run --job good.json --colour
expect 2 "decrypt without a pass phrase" run decrypt --input "$input"

# A failing operation: exit 1 with the HRESULT and the exception's message.
echo '{ "properties": { "Corvo_QcptForNonXps": "<QCPT/>" } }' > no-driver.json
if expect 1 "a failing operation" run run --job no-driver.json --input "$input" --output failed.out; then
    grep -q "0x80004005" err.txt || fail "the HRESULT is not named: $(cat err.txt)"
    grep -q "driver property bag is not available" err.txt ||
        fail "the message is not shown: $(cat err.txt)"
    [ "$(cat failed.out)" = "<QCPT/>" ] || fail "the direct ticket is not in the output"
fi

# Standard input to standard output gives what files give.
expect 0 "file to file" run run --job good.json --input "$input" --output by-file.out --report report.json
expect 0 "standard input to standard output" run run --job good.json --input - --output - < "$input"
cmp -s out.txt by-file.out && ok "the same bytes either way" || fail "stdin/stdout output differs"
grep -q '"hresult": "0x00000000"' report.json || fail "report: hresult"
grep -q "\"bytesIn\": $(wc -c < "$input" | tr -d ' ')" report.json || fail "report: bytesIn"
grep -q "\"bytesOut\": $(wc -c < by-file.out | tr -d ' ')" report.json || fail "report: bytesOut"
grep -q '"inserted": true' report.json || fail "report: the PJL item"

# Decryption: the right pass phrase restores the job; a wrong one or a damaged section fails.
cat > secret.json <<JSON
{ "properties": { "PDLEncryptionPassPhrase": "s3cret" }, "driver": { "pdl": 7363 } }
JSON
expect 0 "an encrypted job" run run --job secret.json --input "$input" --output secret.out
expect 0 "decrypting it" run decrypt --pass-phrase s3cret --input secret.out --output plain.out
expect 0 "the same job in the clear" run run --job good.json --input "$input" --output clear.out
grep -qa "%!PS-Adobe" plain.out && ok "decrypted PostScript" || fail "no PostScript after decryption"
if expect 1 "a wrong pass phrase" run decrypt --pass-phrase wrong --input secret.out --output wrong.out; then
    [ ! -e wrong.out ] || fail "a wrong pass phrase wrote an output"
fi
size=$(wc -c < secret.out)
{ head -c $((size / 2)) secret.out; printf 'X'; tail -c $((size - size / 2 - 1)) secret.out; } > damaged.out
expect 1 "a damaged section" run decrypt --pass-phrase s3cret --input damaged.out --output damaged-plain.out

[ "$failures" -eq 0 ] && echo "all host command line checks passed"
exit $((failures > 0))
