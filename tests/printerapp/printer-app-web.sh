#!/bin/bash
# The application's web interface in headless Chromium: a printer's pages show its PDL and its
# filter settings (screenshots of both are kept in WORK_DIR), and a printer's pass phrase appears
# in no page a visitor reaches, in no log and in no IPP attribute, after jobs have run. Skipped
# (77) without Chromium unless CV_REQUIRE_PAPPL=1, as `make test` sets it.
#   printer-app-web.sh BIN_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
bin=$1
source=$2
work=$3
if ! command -v chromium > /dev/null; then
    echo "chromium is not installed"
    [ "${CV_REQUIRE_PAPPL:-0}" = 1 ] && exit 1
    exit 77
fi
source "$source/tests/printerapp/printer-app-lib.sh"

start_device job
start_server
cli add -d secure -m cv-postscript -v "$device_uri" || fail "add secure"
cli add -d plain -m cv-pclxl -v "$device_uri" || fail "add plain"
phrase="web interface pass phrase"
cat > state/printers/secure.json << JSON
{ "driver": { "requiresBothPjlAndQcpt": true },
  "properties": { "PDLEncryptionPassPhrase": "$phrase",
                  "Corvo_JobLevelPsCommentsToInsert": "%%For: accounts" } }
JSON
chmod 600 state/printers/secure.json
# Jobs, so that the logs and the job pages have something of the printer's settings to show.
for file in "$jobs/doc001.ps2write-drv.pjl.ps" "$jobs/doc001.pdfwrite.pdf"; do
    ipptool -t -f "$file" -d filetype=application/octet-stream -d sides=one-sided -d pjl= \
        -d copies=1 "$(uri secure)" "$here/print-job.test" > submit.out 2>&1 ||
        fail "the job was refused: $(cat submit.out)"
done
# Sent without their format: the PJL-wrapped PostScript is known by its language switch.
for job in 1 2; do
    for _ in $(seq 100); do
        state=$(ipptool -c -d job="$job" "$(uri secure)" "$here/job-state.test" | tail -n 1)
        [[ "$state" == completed* ]] && break
        sleep 0.1
    done
    [[ "$state" == completed* ]] || fail "job $job: $state"
done

echo "--- a printer's pages show its PDL and its filter settings"
web="http://127.0.0.1:$port"
shot() {
    chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
        --user-data-dir="$work/profile" --window-size=1200,800 --screenshot="$work/$2" \
        "$web$1" > /dev/null 2>&1 || fail "no screenshot of $1"
    [ -s "$work/$2" ] || fail "no screenshot of $1"
}
mkdir -p pages
python3 "$here/web-crawl.py" "$web" pages 60 / /secure/ /secure/filter /plain/filter /logs \
    /addprinter \
    > visited.txt || fail "the crawl stopped: $(tail -n 3 visited.txt)"
grep -q "cv-PDLStreamFilter PostScript" pages/secure.html || fail "the printer page names no PDL"
for shown in "PDL:</th><td>7363" "Requires both PJL and QCPT:</th><td>yes" \
    "Corvo_JobLevelPsCommentsToInsert:</th><td>\"%%For: accounts\"" \
    "Pass phrase:</th><td>set: jobs are encrypted"; do
    grep -q -F "$shown" pages/secure_filter.html || fail "the settings page lacks $shown"
done
grep -q -F "Pass phrase:</th><td>not set" pages/plain_filter.html ||
    fail "the plain printer's settings page says a pass phrase is set"
shot /secure/ printer-page.png
shot /secure/filter filter-settings.png
echo "ok: $(wc -l < visited.txt) pages visited; screenshots in $work"

echo "--- the Add Printer page takes a device URI (PAPPL's looked for DNS-SD and ended the server)"
add_printer() {  # add_printer NAME DEVICE_URI: the page's answer in added.html
    curl -s -c cookies -b cookies "$web/addprinter" > form.html || fail "no Add Printer page"
    local session
    session=$(sed -n 's/.*name="session" value="\([^"]*\)".*/\1/p' form.html | head -n 1)
    [ -n "$session" ] || fail "the Add Printer form has no session: $(cat form.html)"
    curl -s -c cookies -b cookies -o added.html -w '%{http_code}' \
        --data-urlencode "session=$session" --data-urlencode "printer_name=$1" \
        --data-urlencode "driver_name=cv-pdf" --data-urlencode "device_uri=$2" "$web/addprinter"
}
[ "$(add_printer "bad device" "lpd://192.0.2.7/queue")" = 200 ] || fail "the bad URI's answer"
grep -q "must begin with socket://, usb:// or file://" added.html ||
    fail "the bad URI was not refused: $(cat added.html)"
[ "$(add_printer from-web "$device_uri")" = 302 ] || fail "the printer was not added: $(cat added.html)"
ipptool -t "$(uri from-web)" get-printer-attributes.test > /dev/null ||
    fail "the printer added on the page does not answer"
echo "ok: a printer added on the page, a bad device URI refused with its reason"

echo "--- the pass phrase is nowhere to be seen"
for printer in secure plain; do
    ipptool -tv "$(uri "$printer")" "$here/get-printer-attributes-all.test" \
        > "attributes-$printer.out" 2>&1 || fail "the attributes of $printer"
done
if grep -r -l -F "$phrase" pages attributes-*.out state/cv-printer-app.log* \
    state/cv-printer-app.state server.out; then
    fail "the pass phrase is shown above"
fi
grep -q -F "job-state" attributes-secure.out || fail "no job attributes were read"
echo "ok: in no page, IPP attribute, log or state file"
echo "all web interface checks passed"
