#!/bin/bash
# The printer application end to end, everything started and stopped here: the application on a
# free loopback port with a scratch state folder, printers added through its command line with a
# socket:// device of our own, jobs sent with ipptool. Each device stream of a finished job must be
# the one `pdl-stream-filter run` gives for the same job; a printer with a pass phrase sends nothing
# of any format in the clear; conversions and raster pages reach the printer in its language.
#   printer-app-test.sh BIN_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
bin=$1
source=$2
work=$3
sheets=$source/tests/cups/sheets.py
source "$source/tests/printerapp/printer-app-lib.sh"

start_device job
device=$device_uri
start_server
for printer in ps:cv-postscript pxl:cv-pclxl pdf:cv-pdf secure:cv-postscript securexl:cv-pclxl \
    securepdf:cv-pdf; do
    cli add -d "${printer%%:*}" -m "${printer#*:}" -v "$device" || fail "add $printer"
done

# Sends FILE of TYPE to PRINTER with SIDES, the cv-pjl line PJL and COPIES; prints the job's id.
submit() {
    local printer=$1 file=$2 type=$3 sides=${4:-one-sided} pjl=${5:-} copies=${6:-1}
    # -f sets the type by the file's name: the type given must come after it.
    ipptool -tv -f "$file" -d filetype="$type" -d sides="$sides" -d pjl="$pjl" \
        -d copies="$copies" "$(uri "$printer")" "$here/print-job.test" > submit.out 2>&1 ||
        fail "$printer refused $file: $(cat submit.out)"
    grep -q "job-id (integer)" submit.out || fail "$printer took no job: $(cat submit.out)"
    sed -n 's/.*job-id (integer) = \([0-9]*\).*/\1/p' submit.out | head -n 1
}

# Waits until job ID of PRINTER has ended; prints "state,message".
finished() {
    local printer=$1 job=$2 state=""
    for _ in $(seq 300); do
        state=$(ipptool -c -d job="$job" "$(uri "$printer")" "$here/job-state.test" | tail -n 1)
        case "$state" in
            completed* | aborted* | canceled*) echo "$state"; return ;;
        esac
        sleep 0.1
    done
    fail "job $job of $printer did not end: $state"
}

# The device stream of the next job into $stream (the device numbers its connections from 1).
streams=0
next_stream() {
    streams=$((streams + 1))
    stream="devices/job.$streams"
    for _ in $(seq 100); do
        [ -f "$stream" ] && return
        sleep 0.1
    done
    fail "no device stream $streams"
}

# `pdl-stream-filter run` on the job file JSON and the input FILE, into OUT.
expected() {
    echo "$1" > expected.json
    "$host" run --job expected.json --input "$2" --output "$3" > /dev/null
}

echo "--- each driver's data took (a rejected one leaves the printer without its formats)"
for printer in "ps:application/postscript:PostScript" "pxl:application/vnd.hp-pclxl:PCL XL" \
    "pdf:application/pdf:PDF"; do
    IFS=: read -r name format model <<< "$printer"
    ipptool -tv "$(uri "$name")" get-printer-attributes.test > attributes.out 2>&1 || true
    grep -q "printer-make-and-model (textWithoutLanguage) = cv-PDLStreamFilter $model" \
        attributes.out || fail "$name: not our driver's make and model"
    formats=$(grep "document-format-supported" attributes.out)
    for wanted in "$format" image/pwg-raster image/urf image/jpeg; do
        grep -q "$wanted" <<< "$formats" || fail "$name does not take $wanted: $formats"
    done
    ipptool -t "$(uri "$name")" "$here/vendor-attributes.test" > vendor.out 2>&1 ||
        fail "$name does not declare the vendor attributes: $(cat vendor.out)"
done

echo "--- finished jobs: the device stream is what pdl-stream-filter run gives"
check_finished() {
    local printer=$1 input=$2 type=$3 sides=$4 pjl=$5 jobfile=$6
    local job state
    job=$(submit "$printer" "$input" "$type" "$sides" "$pjl")
    state=$(finished "$printer" "$job")
    [[ "$state" == completed* ]] || fail "$printer, $input: $state"
    next_stream
    expected "$jobfile" "$input" expected.out
    cmp "$stream" expected.out || fail "$printer, $input: the device stream differs"
    echo "ok: $printer, $(basename "$input"), $sides"
}
check_finished ps "$jobs/doc003.ps2write-drv-simpinitg.pjl.ps" application/postscript \
    two-sided-long-edge "@PJL SET HOLD=ON" \
    '{ "driver": { "pdl": 7363 }, "everyPageFeatures": "Duplex=TwoSidedLongEdge",
       "properties": { "Corvo_PjlToInsert": "@PJL SET HOLD=ON\r\n" } }'
check_finished pxl "$jobs/doc001.pxlmono.pjl.pxl" application/vnd.hp-pclxl one-sided \
    "@PJL SET HOLD=ON" \
    '{ "driver": { "pdl": 7360 },
       "properties": { "Corvo_PjlToInsert": "@PJL SET DUPLEX=OFF\r\n@PJL SET HOLD=ON\r\n" } }'
# A PDF printer takes its job control as PJL: a PDF without it goes in the PJL envelope first.
printf '\033%%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PDF\r\n' > enveloped.pdf
cat "$jobs/doc001.pdfwrite.pdf" >> enveloped.pdf
printf '\033%%-12345X@PJL EOJ\r\n\033%%-12345X' >> enveloped.pdf
job=$(submit pdf "$jobs/doc001.pdfwrite.pdf" application/pdf two-sided-short-edge)
state=$(finished pdf "$job")
[[ "$state" == completed* ]] || fail "pdf, doc001.pdfwrite.pdf: $state"
next_stream
expected '{ "driver": { "pdl": 7365 }, "properties": { "Corvo_PjlToInsert":
           "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n" } }' enveloped.pdf expected.out
cmp "$stream" expected.out || fail "pdf: the device stream is not the enveloped job's"
echo "ok: pdf, doc001.pdfwrite.pdf in its PJL envelope, two-sided-short-edge"

echo "--- other formats reach each printer in its own language"
# 8-bit sGray, a type the printers list in pwg-raster-document-type-supported (PAPPL 1.3.1 hands
# the lines of a black_1 raster over as they are, under the printer's 8-bit page header).
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pwgraster -r300 -dcupsColorSpace=18 -dcupsBitsPerColor=8 \
    -sOutputFile=page.pwg "$jobs/doc001.pdfwrite.pdf" > /dev/null
# Two copies, two-sided: PAPPL prints an image once per copy itself, the rest is ours to ask.
check_converted() {
    local printer=$1 input=$2 type=$3 language=$4 job state count
    job=$(submit "$printer" "$input" "$type" two-sided-long-edge "" 2)
    state=$(finished "$printer" "$job")
    [[ "$state" == completed* ]] || fail "$printer, $type: $state"
    next_stream
    head -c 200 "$stream" | grep -a -q "$language" || fail "$printer, $type: not $language"
    grep -a -q -E 'Duplex true|DUPLEX=ON' "$stream" || fail "$printer, $type: not two-sided"
    count=$(python3 "$sheets" "$stream") || fail "$printer, $type: no job to count"
    [ "$count" = 2 ] || fail "$printer, $type: $count sheets, not 2"
    echo "ok: $type on $printer, two sheets of $language"
}
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=jpeg -r50 -sOutputFile=page.jpg \
    "$jobs/doc001.pdfwrite.pdf" > /dev/null
check_converted ps page.pwg image/pwg-raster "%!PS-Adobe-3.0"
python3 "$source/tests/printerapp/raster-matches.py" "$stream" "$jobs/doc001.pdfwrite.pdf" 300 ||
    fail "ps, image/pwg-raster: the printed page is not the raster's"
echo "ok: the raster's page, printed from our PostScript, is the document's"
check_converted ps "$jobs/doc001.pdfwrite.pdf" application/pdf "%!PS-Adobe-3.0"
check_converted ps page.jpg image/jpeg "%!PS-Adobe-3.0"
check_converted pxl page.pwg image/pwg-raster "ENTER LANGUAGE *= *PCLXL"
check_converted pxl "$jobs/doc001.pdfwrite.pdf" application/pdf "ENTER LANGUAGE *= *PCLXL"
check_converted pxl page.jpg image/jpeg "ENTER LANGUAGE *= *PCLXL"
check_converted pdf "$jobs/doc001.ps2write-drv.pjl.ps" application/postscript "%PDF-"
check_converted pdf "$jobs/doc001.pdfwrite.pdf" application/pdf "%PDF-"
check_converted pdf page.jpg image/jpeg "%PDF-"

echo "--- a printer with a pass phrase sends nothing of any format in the clear, for every driver"
phrase="printer app pass phrase"
printf '%s\n' "$phrase" > phrase.txt
for printer in secure securexl securepdf; do
    printf '{ "properties": { "PDLEncryptionPassPhrase": "%s" } }\n' "$phrase" \
        > "state/printers/$printer.json"
    chmod 600 "state/printers/$printer.json"
done
# check_secret PRINTER INPUT TYPE MARK: encrypted, and MARK (the printer's language) decrypted.
check_secret() {
    local printer=$1 input=$2 type=$3 mark=$4 job state
    job=$(submit "$printer" "$input" "$type")
    state=$(finished "$printer" "$job")
    [[ "$state" == completed* ]] || fail "$printer, $type: $state"
    next_stream
    check_encrypted "$stream" "$printer, $type" "$mark"
    echo "ok: $type on $printer: encrypted, and its job after decryption"
}
# decrypts_as_filter PRINTER STREAM JOB_FILE INPUT: the stream decrypts to what the filter makes
# of the job file's job, decrypted.
decrypts_as_filter() {
    "$host" decrypt --pass-phrase-file phrase.txt --input "$2" --output decrypted.out
    expected "$3" "$4" expected.out
    "$host" decrypt --pass-phrase-file phrase.txt --input expected.out --output expected.decrypted
    cmp decrypted.out expected.decrypted || fail "$1: the decrypted job is not the filter's"
}
check_secret securexl "$jobs/doc001.pxlmono.pjl.pxl" application/vnd.hp-pclxl ') HP-PCL XL'
decrypts_as_filter securexl "$stream" "{ \"driver\": { \"pdl\": 7360 }, \"properties\": {
    \"Corvo_PjlToInsert\": \"@PJL SET DUPLEX=OFF\\r\\n\", \"PDLEncryptionPassPhrase\": \"$phrase\" } }" \
    "$jobs/doc001.pxlmono.pjl.pxl"
check_secret securexl page.jpg image/jpeg ') HP-PCL XL'
check_secret securepdf "$jobs/doc001.pdfwrite.pdf" application/pdf '%PDF-'
decrypts_as_filter securepdf "$stream" "{ \"driver\": { \"pdl\": 7365 }, \"properties\": {
    \"Corvo_PjlToInsert\": \"@PJL SET DUPLEX=OFF\\r\\n\", \"PDLEncryptionPassPhrase\": \"$phrase\" } }" \
    enveloped.pdf
check_secret securepdf page.jpg image/jpeg '%PDF-'
check_secret secure "$jobs/doc001.ps2write-drv.pjl.ps" application/postscript '%%Page: 1 1'
decrypts_as_filter secure "$stream" "{ \"driver\": { \"pdl\": 7363 },
    \"everyPageFeatures\": \"Duplex=OneSided\",
    \"properties\": { \"PDLEncryptionPassPhrase\": \"$phrase\" } }" "$jobs/doc001.ps2write-drv.pjl.ps"
check_secret secure page.pwg image/pwg-raster '%%Page: 1 1'
check_secret secure "$jobs/doc001.pdfwrite.pdf" application/pdf '%%Page: 1 1'

echo "--- any client's job name stays text: no line, UEL or command of its own, for every driver"
name=$(printf 'x\r\n%%%%EndSetup\n(INJECTED) print\n\e%%-12345X@PJL ENTER LANGUAGE=PCL\n"quoted"')
name+=$(head -c 10000 /dev/zero | tr '\0' y)
for printer in ps pxl pdf; do
    cli submit -d "$printer" -o "job-name='$name'" page.jpg > submit.out 2>&1 ||
        fail "$printer refused the job name: $(cat submit.out)"
    job=$(sed -n 's/^.*-\([0-9]*\)$/\1/p' submit.out | tail -n 1)
    state=$(finished "$printer" "$job")
    [[ "$state" == completed* ]] || fail "$printer, the job name: $state"
    next_stream
    uels=$(grep -a -o $'\e%-12345X' "$stream" | wc -l)
    if [ "$uels" != 3 ] || grep -a -q -e '^(INJECTED) print' -e '^"quoted"' "$stream" ||
        grep -a -q -x '@PJL ENTER LANGUAGE=PCL' "$stream" ||
        [ "$(grep -a -c '^%%EndSetup' "$stream")" -gt 1 ]; then
        fail "$printer: the job name wrote syntax of its own into the stream ($uels UELs)"
    fi
    echo "ok: $printer: the job name is text of one line, and the job completes"
done

echo "--- a refused job ends aborted with the reason as its message"
echo '{ }' > state/printers/pdf.json
chmod 644 state/printers/pdf.json
job=$(submit pdf "$jobs/doc001.pdfwrite.pdf" application/pdf)
state=$(finished pdf "$job")
[[ "$state" == aborted*"is refused: others may access it"* ]] || fail "a readable settings file: $state"
rm state/printers/pdf.json
echo "ok: $state"
# PAPPL takes a CMYK raster of 8-bit samples and hands its page header over as it is.
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pwgraster -r100 -dcupsColorSpace=6 -dcupsBitsPerColor=8 \
    -sOutputFile=cmyk.pwg "$jobs/doc001.pdfwrite.pdf" > /dev/null
for printer in ps pxl; do
    job=$(submit "$printer" cmyk.pwg image/pwg-raster)
    state=$(finished "$printer" "$job")
    [ "$state" = "aborted,the raster page's pixels are neither 8-bit gray nor 8-bit RGB" ] ||
        fail "$printer, a CMYK raster: $state"
    echo "ok: $printer, $state"
done

echo "--- a spool folder on a full file system: the job ends aborted with the system's reason"
# Each row: a tmpfs small enough for the document PAPPL spools, too small for what the application
# makes of it (the raster job of a JPEG, pdftops's PostScript of a PDF). Only root may mount one.
full_rows=(
    "256k page.jpg                          image/jpeg      the raster job's spool file"
    "16k  $jobs/doc001.pdfwrite.pdf         application/pdf the converted document"
)
for row in "${full_rows[@]}"; do
    read -r size input type written <<< "$row"
    if [ "$(id -u)" != 0 ] || ! mount -t tmpfs -o "size=$size" cv-printer-app-spool state/spool; then
        [ "${CV_REQUIRE_CUPSD:-0}" = 1 ] && fail "no small tmpfs for the spool folder (needs root)"
        continue
    fi
    job=$(submit ps "$input" "$type")
    state=$(finished ps "$job")
    umount state/spool
    [ "$state" = "aborted,$written cannot be written: No space left on device" ] ||
        fail "$type on a full spool folder: $state"
    echo "ok: $type: $state"
done

echo "--- a cancel reaches the filter within a second, even while a device write blocks"
start_device stalled --stall
stalled=$device_pid
cli add -d stalled -m cv-postscript -v "$device_uri" || fail "add stalled"
python3 - "$jobs/doc001.ps2write-drv.pjl.ps" long.ps << 'PY'
import sys
job = open(sys.argv[1], "rb").read()
first, trailer = job.index(b"%%Page:"), job.rindex(b"%%Trailer")
with open(sys.argv[2], "wb") as out:
    out.write(job[:first] + job[first:trailer] * 6000 + job[trailer:])
PY
job=$(submit stalled long.ps application/postscript)
for _ in $(seq 100); do
    grep -q "\[Job $job\] Starting print job" state/cv-printer-app.log && break
    sleep 0.1
done
sleep 1
[ -f devices/stalled.1 ] && fail "the stalled device read the job"
started=$(date +%s%N)
ipptool -t -d job="$job" "$(uri stalled)" "$here/cancel-job.test" > cancel.out 2>&1 ||
    fail "cancel-job: $(cat cancel.out)"
for _ in $(seq 30); do
    grep -q "\[Job $job\] Cancelled: the filter's operation is shut down" \
        state/cv-printer-app.log && break
    sleep 0.05
done
took=$((($(date +%s%N) - started) / 1000000))
grep -q "\[Job $job\] Cancelled: the filter" state/cv-printer-app.log ||
    fail "the cancel did not reach the filter"
[ "$took" -lt 1500 ] || fail "the cancel took $took ms to reach the filter"
# The device goes away: its connection ends the blocked write, and with it the job.
kill "$stalled"
state=$(finished stalled "$job")
[[ "$state" == canceled* ]] || fail "the cancelled job ended $state"
echo "ok: the cancel reached the filter after $took ms; the job ended $state"
echo "all printer application checks passed"
