#!/bin/bash
# The command line of the host binary: exit codes, messages, what is (not) written, the files it
# will not touch, standard streams, stop requests, and decryption failures.
#   tests/host/host-cli-test.sh HOST WORKDIR [RUNNER]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/host/stop-request.sh"
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

# Whether NAME, or a temporary file of it (NAME.<tag>.partial, or NAME.partial), exists.
left_behind() { [ -e "$1" ] || compgen -G "$1*.partial" > /dev/null; }

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
printf '{ "properties": { "x": %s1%s } }' "$(printf '[%.0s' $(seq 15))" "$(printf ']%.0s' $(seq 15))" > nested.json
echo '{ "keepPageSetup": "yes" }' > keep-setup-text.json
printf '{ "everyPageFeatures": "Duplex=OneSided%s" }' "$(printf ':Duplex=OneSided%.0s' $(seq 1024))" > many-settings.json
printf '{ "properties": { "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_2": "MediaType=%s" } }' "$(head -c 65527 /dev/zero | tr '\0' x)" > long-settings.json
for case in "not-json:not JSON" "unknown-key:\"driver.colour\": unknown key" \
            "wrong-type:\"driver.pdl\": expected an integer" \
            "missing-input:cannot read the input" \
            "fraction:\"properties.TotalPagedRenderedInPdlOutput\"" \
            "nested:nested more than 16 levels deep" \
            "keep-setup-text:\"keepPageSetup\": expected true or false" \
            "many-settings:\"everyPageFeatures\": page feature settings are at most 1024 settings" \
            "long-settings:at most 1024 settings in 65536 bytes (1 in 65537)"; do
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

# A failing operation: exit 1 with the HRESULT and the exception's message, and no output file
# (not even the direct ticket that went out before the failure).
echo '{ "properties": { "Corvo_QcptForNonXps": "<QCPT/>" } }' > no-driver.json
if expect 1 "a failing operation" run run --job no-driver.json --input "$input" --output failed.out; then
    grep -q "0x80004005" err.txt || fail "the HRESULT is not named: $(cat err.txt)"
    grep -q "driver property bag is not available" err.txt ||
        fail "the message is not shown: $(cat err.txt)"
    ! left_behind failed.out || fail "a failed run left its output"
fi

# Careless and hostile invocations: CODE LABEL MESSAGE ABSENT COMMAND...: the command exits with
# CODE, its stderr holds MESSAGE (when given), and the file ABSENT (when given) does not exist.
check() {
    local code=$1 label=$2 message=$3 absent=$4
    shift 4
    rm -f "${absent:-/nonexistent}" "${absent:-/nonexistent}".*.partial
    if expect "$code" "$label" "$@"; then
        [ -z "$message" ] || grep -qF "$message" err.txt ||
            fail "$label: the message does not say '$message': $(cat err.txt)"
        [ -z "$absent" ] || ! left_behind "$absent" ||
            fail "$label: $absent was left behind"
    fi
}
cp "$input" in.ps
mkdir -p a-folder
echo '{ "properties": { "TotalPagedRenderedInPdlOutput": 1e400 } }' > huge-number.json
check 2 "the output is the input" "is the input" "" run run --job good.json --input in.ps --output in.ps
check 2 "the output is the job file" "is the job file" "" run run --job good.json --input in.ps --output good.json
check 2 "the report is the input" "is the input" never.out run run --job good.json --input in.ps --output never.out --report in.ps
check 2 "the report is the output" "is the output" never.out run run --job good.json --input in.ps --output never.out --report never.out
check 2 "the report is the job file" "is the job file" never.out run run --job good.json --input in.ps --output never.out --report good.json
cmp -s in.ps "$input" && grep -q '"driver"' good.json && ok "input and job file intact" || fail "a file the run reads was overwritten"
check 2 "an input that is a directory" "a-folder is a directory" never.out run run --job good.json --input a-folder --output never.out
check 2 "an empty output path, before the job runs" "an empty path names no file" "" run run --job good.json --input in.ps --output ""
check 2 "decrypt: an empty input path" "an empty path names no file" never.out run decrypt --pass-phrase x --input "" --output never.out
check 2 "a number JSON cannot hold" '"properties.TotalPagedRenderedInPdlOutput"' never.out run run --job huge-number.json --input in.ps --output never.out
check 1 "a report into a missing folder" "cannot write the report" "" run run --job good.json --input in.ps --output kept.out --report no-such-folder/report.json
[ -s kept.out ] && ok "the job's output stays" || fail "the job's output went with the report"
check 1 "a report that is a directory" "cannot write the report" "" run run --job good.json --input in.ps --output kept.out --report a-folder
check 2 "decrypt: an input that is a directory" "a-folder is a directory" never.out run decrypt --pass-phrase x --input a-folder --output never.out
check 2 "decrypt: an output that cannot be created" "cannot create the output" "" run decrypt --pass-phrase x --input in.ps --output no-such-folder/plain.out
check 2 "decrypt: a pass phrase file that is a directory" "a-folder is a directory" never.out run decrypt --pass-phrase-file a-folder --input in.ps --output never.out
check 2 "decrypt: the output is the input" "is the input" "" run decrypt --pass-phrase x --input in.ps --output in.ps
check 2 "run: standard input is the output" "in.ps is standard input" "" run run --job good.json --input - --output in.ps < in.ps
check 2 "run: standard input is the report" "in.ps is standard input" never.out run run --job good.json --input - --output never.out --report in.ps < in.ps
check 2 "decrypt: standard input is the output" "in.ps is standard input" "" run decrypt --pass-phrase x --input - --output in.ps < in.ps
cmp -s in.ps "$input" && ok "standard input that is the output stays intact" || fail "a run replaced its own standard input"
printf '\nx\n' > line-end.phrase
check 2 "decrypt: a blank pass phrase" "the pass phrase is blank" never.out run decrypt --pass-phrase " " --input in.ps --output never.out
check 2 "decrypt: a pass phrase file that starts with a line end" "holds no pass phrase on its first line" never.out run decrypt --pass-phrase-file line-end.phrase --input in.ps --output never.out
printf 'caf\xe9\n' > latin-1.phrase
check 2 "decrypt: a pass phrase that is not UTF-8" "the pass phrase is not UTF-8 text" never.out run decrypt --pass-phrase-file latin-1.phrase --input in.ps --output never.out
echo "the user's own" > mine.partial
check 0 "an output beside a file named like its temporary" "" "" run run --job good.json --input in.ps --output mine
[ "$(cat mine.partial)" = "the user's own" ] && [ -s mine ] && ok "the user's NAME.partial stays" ||
    fail "the user's mine.partial was touched"

if [ -z "$runner" ]; then
    ln -f in.ps hard-link.ps
    check 2 "the output is a hard link to the input" "is the input" "" run run --job good.json --input in.ps --output hard-link.ps
    check 2 "a job file that is a device" "is not a file" never.out run run --job /dev/zero --input in.ps --output never.out
    check 2 "a pass phrase file that is a device" "is not a file" never.out run decrypt --pass-phrase-file /dev/zero --input in.ps --output never.out
    { printf '{ "driver": { "pdl": 7363 }, "properties": { "x": "'; head -c $((16 * 1024 * 1024)) /dev/zero | tr '\0' 'x'; printf '" } }'; } > big.json
    check 2 "a job file over 16 MB" "is larger than 16777216 bytes" never.out run run --job big.json --input in.ps --output never.out
    head -c $((64 * 1024 + 1)) /dev/zero | tr '\0' 'p' > big.phrase
    check 2 "a pass phrase file over 64 KB" "is larger than 65536 bytes" never.out run decrypt --pass-phrase-file big.phrase --input in.ps --output never.out
    rm -f job.fifo && mkfifo job.fifo
    cat good.json > job.fifo &
    check 0 "a job file that is a FIFO" "" "" run run --job job.fifo --input in.ps --output fifo.out
    wait
    rm -f linked.out link.out && echo old > linked.out && ln -s linked.out link.out
    check 0 "an output named by a symbolic link" "" "" run run --job good.json --input in.ps --output link.out
    [ -L link.out ] && [ "$(readlink link.out)" = linked.out ] && cmp -s linked.out kept.out &&
        ok "the link stays and its file gets the job" || fail "the symbolic link was not written through"
    check 1 "an output past the file-size limit" "could not be written completely (File too large)" limited.out \
        bash -c "ulimit -f 64 && exec \"$host\" run --job good.json --input in.ps --output limited.out"
    check 1 "an output on a full device" "(No space left on device)" "" run run --job good.json --input in.ps --output /dev/full
    check 1 "a report into /dev/full" "cannot write the report" "" run run --job good.json --input in.ps --output kept.out --report /dev/full
    [ -c /dev/full ] && ok "/dev/full is still a device" || fail "/dev/full was replaced"
    # Standard input and output on one file: refused before a byte is read, the file untouched
    # (it would grow without end while its start is read back).
    for command in "run --job good.json" "decrypt --pass-phrase x"; do
        cp in.ps same.ps
        timeout 30 "$host" $command --input - --output - < same.ps >> same.ps 2> err.txt
        code=$?
        [ "$code" = 2 ] && grep -qF "standard input and standard output are one file" err.txt &&
            cmp -s same.ps in.ps && ok "${command%% *}: standard input and output one file" ||
            fail "${command%% *}: standard input and output one file: exit $code, $(cat err.txt)"
    done

    check 2 "run: standard input closed" "standard input, which is closed" never.out run run --job good.json --input - --output never.out <&-
    check 2 "decrypt: standard input closed" "standard input, which is closed" never.out run decrypt --pass-phrase x --input - --output never.out <&-
    check 2 "run: standard output closed" "standard output, which is closed" "" \
        bash -c 'exec "$0" "$@" >&-' "$host" run --job good.json --input in.ps --output -
    printf '{ "driver": { "pdl": 7363, "productPdlDataXml": "<ProductPdlData><Feature" } }' > bad-product.json
    run run --job bad-product.json --input in.ps --output quiet.out > /dev/null 2>&-
    [ $? -eq 0 ] && ! grep -qa "Product PDL data cannot be read" quiet.out &&
        ok "with standard error closed no diagnostic lands in the output" ||
        fail "a diagnostic reached the output, or the job failed"
    # A host that takes these would append to its input until the disk is full: the file size
    # limit (in KB) stops it.
    check 2 "run: standard output is the input" "in.ps is standard output" "" \
        bash -c 'ulimit -f 4096; exec "$0" "$@" >> in.ps' "$host" run --job good.json --input in.ps --output -
    cp "$input" in.ps
    check 2 "decrypt: standard output is the input" "in.ps is standard output" "" \
        bash -c 'ulimit -f 4096; exec "$0" "$@" >> in.ps' "$host" decrypt --pass-phrase x --input in.ps --output -
    cmp -s in.ps "$input" && ok "standard output that is the input leaves it intact" ||
        fail "a run appended to its own input"
    echo "victim" > victim.txt
    ln -sf victim.txt out.partial
    ln -sf victim.txt report.partial
    check 0 "decrypt beside a link named like its temporary" "" "" run decrypt --pass-phrase x --input in.ps --output out
    check 0 "a report beside a link named like its temporary" "" "" run run --job good.json --input in.ps --output kept.out --report report
    [ "$(cat victim.txt)" = victim ] && [ -L out.partial ] && [ -L report.partial ] && [ -s out ] &&
        [ -s report ] && ok "no link is followed" || fail "a link named NAME.partial was followed"
    # A stop request (SIGTERM from a service, Ctrl-C) ends a run within a second whatever it
    # waits for, and leaves no output behind.
    stop_run() {
        local label=$1 signal=$2 output=$3
        shift 3
        "$@" 2> stop.err &
        if ! stop_request $! "$signal"; then
            fail "$label: still running 3 s after $signal"
        elif left_behind "$output"; then
            fail "$label: $(ls "$output"*) left behind"
        else
            ok "$label"
        fi
    }
    rm -f silent.fifo && mkfifo silent.fifo
    sleep 20 > silent.fifo &
    holder=$!
    stop_run "run: SIGTERM while the input stays silent" TERM stopped.out \
        "$host" run --job good.json --input silent.fifo --output stopped.out
    stop_run "decrypt: SIGINT while the input stays silent" INT stopped.out \
        "$host" decrypt --pass-phrase x --input silent.fifo --output stopped.out
    kill "$holder" 2> /dev/null
    wait "$holder" 2> /dev/null
    rm -f slow.fifo && mkfifo slow.fifo
    (while cat "$input" 2> /dev/null; do sleep 0.05; done > slow.fifo) &
    holder=$!
    stop_run "run: SIGTERM in the middle of a job" TERM stopped.out \
        "$host" run --job good.json --input slow.fifo --output stopped.out
    kill "$holder" 2> /dev/null
    wait "$holder" 2> /dev/null
    odd=$(printf 'odd-\377-name.out')
    check 0 "an output name that is not UTF-8" "" "" run run --job good.json --input in.ps --output "$odd" --report odd-report.json
    grep -q '"output"' odd-report.json && ok "its report is written" || fail "no report for a non-UTF-8 output name"
fi

# The driver's product PDL data reaches the filter: page 1 of a plain PostScript job gets the
# product's own code for its feature.
cat > product.json <<'JSON'
{ "properties": { "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1": "Duplex=TwoSidedLongEdge" },
  "driver": { "pdl": 7363, "productPdlDataXml": "<ProductPdlData><Feature name=\"Duplex\"><Option name=\"TwoSidedLongEdge\">PRODUCT-DUPLEX</Option></Feature></ProductPdlData>" } }
JSON
if expect 0 "a job with product PDL data" run run --job product.json --input "$input" --output product.out; then
    grep -aq "PRODUCT-DUPLEX" product.out || fail "the product's page code is not in the output"
    grep -q "^pages given features: 1$" out.txt || fail "the summary's page count: $(cat out.txt)"
fi

# The features a CUPS job gives every page (the job file's "everyPageFeatures") reach each page.
sed 's/"properties": {[^}]*},/"everyPageFeatures": "Duplex=TwoSidedLongEdge",/' product.json > every-page.json
if expect 0 "features for every page" run run --job every-page.json \
    --input "$root/examples/jobs/doc003.ps2write-drv-simpinitg.pjl.ps" --output every-page.out; then
    [ "$(grep -ac PRODUCT-DUPLEX every-page.out)" = 3 ] || fail "not each of the 3 pages got its code"
    grep -q "^pages given features: 3$" out.txt || fail "the summary's page count: $(cat out.txt)"
fi

# With the document's page setup kept (the job file's "keepPageSetup") every section of the
# input stays, and each page's code is in it.
sed 's/"everyPageFeatures"/"keepPageSetup": true, "everyPageFeatures"/' every-page.json > kept-setup.json
kept_input=$root/examples/jobs/doc003.ps2write-drv-simpinitg.pjl.ps
if expect 0 "features with the page setup kept" run run --job kept-setup.json \
    --input "$kept_input" --output kept-setup.out; then
    [ "$(grep -ac PRODUCT-DUPLEX kept-setup.out)" = 3 ] || fail "kept setup: not each page got its code"
    [ "$(grep -ac '^%%BeginPageSetup' kept-setup.out)" = "$(grep -ac '^%%BeginPageSetup' "$kept_input")" ] ||
        fail "kept setup: a page setup section went"
fi

# The probe activates the filter as the pipeline manager does and says each step's answer.
if expect 0 "probe" run probe; then
    grep -q "^filter class {5AE4ED1C-44D9-4D64-98DB-059B7CAD622F}" out.txt || fail "probe: the class"
    grep -q "DllCanUnloadNow while the filter lives: 0x00000001" out.txt || fail "probe: S_FALSE"
    grep -q "^the module serves its filter class as the pipeline expects" out.txt ||
        fail "probe: its verdict: $(cat out.txt)"
fi
expect 1 "probe of a module that is not there" run probe --module no-such-module.so

# A job handed to an Atrium folder leaves an existing output file as it was. (The Windows host
# takes printers from the real spooler, which has none that hands jobs off.)
[ -n "$runner" ] || sed 's|"driver": { "pdl": 7363 }|"driver": { "pdl": 7363 }, "printer": { "name": "Atrium", "printerData": { "UseCorvoAtrium": 1 } }, "job": { "id": 3, "documentName": "Re\\u0000port" }, "programData": "atrium-data"|' good.json > atrium.json
echo "the user's own" > kept-by-atrium.out
if [ -z "$runner" ] && expect 0 "an Atrium hand-off with an output named" run run --job atrium.json --input "$input" --output kept-by-atrium.out; then
    [ "$(cat kept-by-atrium.out)" = "the user's own" ] && grep -q "(Atrium job folder)" out.txt &&
        ok "the output file stays as it was" || fail "the Atrium job replaced the output: $(cat out.txt)"
    # A U+0000 in the document name stands as U+FFFD, and the name goes on behind it.
    grep -q "Re$(printf '\xef\xbf\xbd')port" atrium-data/Corvo/QMP/CompatibleJobTickets/Jobs/*/JobSpec.xml &&
        ok "the document name keeps what follows its U+0000" ||
        fail "JobSpec.xml: $(cat atrium-data/Corvo/QMP/CompatibleJobTickets/Jobs/*/JobSpec.xml)"
fi

# Standard input to standard output gives what files give.
expect 0 "file to file" run run --job good.json --input "$input" --output by-file.out --report report.json
# On Linux the host defines the job's printer in the stand-in's spooler, so it never goes without.
[ -n "$runner" ] || ! grep -q "note:" err.txt ||
    fail "a note on a job whose printer the spooler knows: $(cat err.txt)"
expect 0 "standard input to standard output" run run --job good.json --input - --output - < "$input"
cmp -s out.txt by-file.out && ok "the same bytes either way" || fail "stdin/stdout output differs"
grep -q '"hresult": "0x00000000"' report.json || fail "report: hresult"
grep -qF "\"input\": \"$input\"" report.json || fail "report: the input's name"
grep -q "\"bytesIn\": $(wc -c < "$input" | tr -d ' ')" report.json || fail "report: bytesIn"
grep -q "\"bytesOut\": $(wc -c < by-file.out | tr -d ' ')" report.json || fail "report: bytesOut"
grep -q '"inserted": true' report.json || fail "report: the PJL item"

# Decryption: the right pass phrase restores the job; a wrong one or a damaged section fails.
cat > secret.json <<JSON
{ "properties": { "PDLEncryptionPassPhrase": "s3cret", "Corvo_JobLevelPsToInsert": "/x 1 def\\n" },
  "driver": { "pdl": 7363 } }
JSON
if expect 0 "an encrypted job" run run --job secret.json --input "$input" --output secret.out; then
    grep -q "^items inserted: 1 of 1 (1 inside the encrypted section)$" out.txt ||
        fail "the summary does not count the encrypted item: $(cat out.txt)"
fi
expect 0 "decrypting it" run decrypt --pass-phrase s3cret --input secret.out --output plain.out
expect 0 "the same job in the clear" run run --job good.json --input "$input" --output clear.out
grep -qa "%!PS-Adobe" plain.out && ok "decrypted PostScript" || fail "no PostScript after decryption"
if expect 1 "a wrong pass phrase" run decrypt --pass-phrase wrong --input secret.out --output wrong.out; then
    ! left_behind wrong.out || fail "a wrong pass phrase wrote an output"
fi
size=$(wc -c < secret.out)
{ head -c $((size / 2)) secret.out; printf 'X'; tail -c $((size - size / 2 - 1)) secret.out; } > damaged.out
head -c $((size / 2)) secret.out > truncated.out
check 1 "a damaged section" "cannot decrypt damaged.out" damaged-plain.out run decrypt --pass-phrase s3cret --input damaged.out --output damaged-plain.out
check 1 "a truncated section" "the final record is missing" truncated-plain.out run decrypt --pass-phrase s3cret --input truncated.out --output truncated-plain.out
expect 1 "a damaged section to standard output" run decrypt --pass-phrase s3cret --input damaged.out --output - > /dev/null
# An output of format version 1 decrypts, with a warning that its sections could not be checked
# for their job and place.
sed -n '/^vector v1-one-record$/,/^output /s/^output //p' "$root/tests/data/meridian-encryption-vectors.txt" |
    perl -ne 'chomp; print pack("H*", $_)' > version-1.out
if expect 0 "decrypting format version 1" run decrypt --pass-phrase Secret --input version-1.out --output version-1.plain; then
    grep -q "WARNING: version-1.out holds 1 encrypted sections of format version 1" err.txt &&
        [ "$(cat version-1.plain)" = "$(printf '@PJL SET COPIES=2\r\n')" ] &&
        ok "version 1: the plaintext and the warning" || fail "version 1: $(cat err.txt)"
fi
! grep -q WARNING <(run decrypt --pass-phrase s3cret --input secret.out --output - 2>&1 > /dev/null) &&
    ok "no warning for the current format" || fail "a warning for the current format"

if [ -z "$runner" ]; then
    # Modes: a temporary file and a new decrypted output are the owner's alone, a replaced output
    # keeps its mode, a new job output gets what the umask gives.
    (
        umask 022
        run decrypt --pass-phrase s3cret --input secret.out --output new-plain.out 2> /dev/null
        cp in.ps replaced-plain.out && chmod 640 replaced-plain.out
        run decrypt --pass-phrase s3cret --input secret.out --output replaced-plain.out 2> /dev/null
        cp in.ps replaced-job.out && chmod 604 replaced-job.out
        run run --job good.json --input in.ps --output replaced-job.out > /dev/null
        run run --job good.json --input in.ps --output new-job.out > /dev/null
        rm -f held.fifo pending.out* && mkfifo held.fifo
        run decrypt --pass-phrase s3cret --input held.fifo --output pending.out 2> /dev/null &
        exec 3> held.fifo
        for _ in $(seq 100); do compgen -G "pending.out.*.partial" > /dev/null && break; sleep 0.1; done
        stat -c %a pending.out.*.partial > partial-mode.txt 2> /dev/null
        exec 3>&-
        wait
    )
    for case in "new-plain.out:600" "replaced-plain.out:640" "replaced-job.out:604" \
                "new-job.out:644" "partial-mode.txt:600"; do
        file=${case%%:*}
        mode=$([ "$file" = partial-mode.txt ] && cat "$file" || stat -c %a "$file")
        [ "$mode" = "${case#*:}" ] && ok "$file has mode ${case#*:}" ||
            fail "$file has mode '$mode', expected ${case#*:}"
    done
fi

[ "$failures" -eq 0 ] && echo "all host command line checks passed"
exit $((failures > 0))
