#!/bin/bash
# The printer application as CUPS 2.4 reaches it without a driver: a private cupsd of the test's
# own makes a driverless queue of one of its printers (lpadmin -m everywhere) and prints through
# it with lp. CUPS sends every document as PDF and keeps to IPP's own job attributes, so what
# must reach the printer is the job's copies and sides, the document turned into the printer's
# PostScript by the application; vendor options and the job's own PJL do not survive. A printer
# with a pass phrase sends nothing in the clear through the queue either.
#   printer-app-cupsd.sh BIN_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
bin=$1
source=$2
work=$3
source "$source/tests/printerapp/printer-app-lib.sh"
sheets=$source/tests/cups/sheets.py
if ! command -v cupsd > /dev/null || ! command -v lpadmin > /dev/null; then
    echo "cupsd or lpadmin is not installed (package cups)"
    [ "${CV_REQUIRE_CUPSD:-0}" = 1 ] && exit 1
    exit 77
fi

start_device job
start_server
cli add -d ps -m cv-postscript -v "$device_uri" || fail "add ps"
cli add -d secure -m cv-postscript -v "$device_uri" || fail "add secure"
phrase="driverless pass phrase"
printf '%s\n' "$phrase" > phrase.txt
printf '{ "properties": { "PDLEncryptionPassPhrase": "%s" } }\n' "$phrase" \
    > state/printers/secure.json
chmod 600 state/printers/secure.json

# The scheduler runs the ipp backend as lp when it runs as root: its folder is one anyone may
# enter, outside the build tree.
app_work=$work
work=$(mktemp -d /tmp/cv-app-cupsd.XXXXXX)
cupsd_work=$work
chmod 755 "$work"
source "$source/tests/cups/private-cupsd.sh"
private_cupsd_prepare
private_cupsd_start
pids+=("$cupsd_pid")
work=$app_work
finish() {
    local status=$?
    if [ "$status" != 0 ]; then
        echo "--- the private cupsd's own output, then the last lines of its log:"
        cat "$cupsd_work/log/cupsd.out"
        tail -n 30 "$cupsd_work/log/error_log"
    fi 2> /dev/null
    cleanup
    cp -r "$cupsd_work/log" "$work/cupsd-log" 2> /dev/null || true
    rm -rf "$cupsd_work"
}
trap finish EXIT

echo "--- lpadmin -m everywhere makes a queue from the application's attributes"
for printer in ps secure; do
    lpadmin -p "app-$printer" -E -v "$(uri "$printer")" -m everywhere ||
        fail "lpadmin -m everywhere for $printer"
done
ppd=$cupsd_work/conf/ppd/app-ps.ppd
# cupsd writes the queue's PPD after lpadmin has returned.
for _ in $(seq 100); do
    grep -q '^\*cupsFilter2' "$ppd" 2> /dev/null && lpstat -p app-secure > /dev/null 2>&1 && break
    sleep 0.1
done
grep -q '^\*Manufacturer: "cv-PDLStreamFilter"' "$ppd" || fail "the queue's PPD: $(head -20 "$ppd")"
grep -q '^\*cupsFilter2: "application/vnd.cups-pdf application/pdf' "$ppd" ||
    fail "the queue does not send PDF: $(grep cupsFilter "$ppd")"
echo "ok: the driverless queue's PPD names our make and sends PDF"

# Prints FILE on the queue app-PRINTER with lp's further options; waits for the device stream it
# gives ($stream, whole once it is there).
streams=0
print() {
    local printer=$1 file=$2
    shift 2
    lp -d "app-$printer" "$@" "$file" > lp.out || fail "lp on app-$printer: $(cat lp.out)"
    streams=$((streams + 1))
    stream="devices/job.$streams"
    for _ in $(seq 300); do
        [ -f "$stream" ] && break
        sleep 0.1
    done
    [ -f "$stream" ] || fail "app-$printer: nothing reached the printer"
}

echo "--- a finished PostScript job through the queue: copies and sides survive, vendor options not"
print ps "$jobs/doc003.ps2write-drv-simpinitg.pjl.ps" -n 2 -o sides=two-sided-long-edge \
    -o "cv-pjl=@PJL SET HOLD=ON"
head -c 100 "$stream" | grep -a -q "ENTER LANGUAGE=POSTSCRIPT" || fail "not PostScript"
grep -a -q "Duplex true" "$stream" || fail "the sides did not survive"
count=$(python3 "$sheets" "$stream") || fail "no job to count in $stream"
pages=$(python3 "$sheets" "$jobs/doc003.ps2write-drv-simpinitg.pjl.ps")
[ "$count" = $((2 * pages)) ] || fail "$count sheets, not two copies of $pages"
if grep -a -q "SET HOLD=ON" "$stream"; then
    fail "a vendor option survived, which CUPS 2.4 does not forward"
fi
# The application numbers its jobs from 1.
ipptool -tv -d job=1 "$(uri ps)" "$here/job-attributes.test" > job.out 2>&1 ||
    fail "the application's job: $(cat job.out)"
grep -q "document-format-supplied (mimeMediaType) = application/pdf" job.out ||
    fail "CUPS did not send PDF: $(grep document-format job.out)"
echo "ok: $count sheets of PostScript, two-sided; PDF as sent; cv-pjl not forwarded"

echo "--- a PDF through the queue"
print ps "$jobs/doc001.pdfwrite.pdf"
count=$(python3 "$sheets" "$stream") || fail "no job to count in $stream"
[ "$count" = 1 ] || fail "$count sheets, not 1"
echo "ok: one sheet"

echo "--- a printer with a pass phrase sends nothing in the clear through the queue"
print secure "$jobs/doc001.ps2write-drv.pjl.ps"
check_encrypted "$stream" "through the queue"
echo "ok: encrypted, and its page after decryption"
echo "--- every page option prints as the PDF CUPS makes of the job"
source "$here/app-render-table.sh"
echo "all driverless queue checks passed"
