#!/bin/bash
# The filter under a real cupsd of the test's own: a private scheduler (its configuration, spool,
# logs and filter folder in a scratch folder, a port on 127.0.0.1, file: devices) with CUPS's own
# filters beside ours, queues made from the example PPDs, jobs submitted with lp, and each device
# file held byte for byte to `pdl-stream-filter run` on the equivalent job file. Then a table of
# every kind of document a user prints (PDF, text, application PostScript, JPEG, untyped PCL XL,
# raw, the test page) on every queue, the sheets counted in each device file, and no byte of a
# document in the clear on a queue with a pass phrase; every page option on each kind rendered
# beside a generic PostScript queue's print. Also a job the filter refuses, and a
# cancelled job that must stop. The scheduler is stopped whatever happens; the system's CUPS is
# never used.
#   tests/cups/cupsd-test.sh BIN_DIR WORKDIR
# Skipped (77) where cupsd is not installed, unless CV_REQUIRE_CUPSD=1, as `make test` sets it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "$1" && pwd)
results=$2
host=$bin/pdl-stream-filter
if ! command -v cupsd > /dev/null || ! command -v lp > /dev/null ||
    [ ! -x /usr/lib/cups/filter/pdftopdf ] || [ ! -x /usr/lib/cups/filter/pstops ]; then
    echo "cupsd, lp or CUPS's filters are not installed (packages cups, cups-filters)"
    [ "${CV_REQUIRE_CUPSD:-0}" = 1 ] && exit 1
    exit 77
fi
rm -rf "$results"
mkdir -p "$results"

# The scheduler runs the filter as lp when it runs as root, so everything it reads lives in a
# scratch folder anyone may enter, whatever the permissions of the checkout.
work=$(mktemp -d /tmp/cv-cupsd-test.XXXXXX)
chmod 755 "$work"
cupsd_pid=
finish() {
    if [ -n "$cupsd_pid" ]; then
        kill "$cupsd_pid" 2> /dev/null || true
        wait "$cupsd_pid" 2> /dev/null || true
    fi
    cp -r "$work/log" "$results/" 2> /dev/null || true
    rm -rf "$work"
}
trap finish EXIT

source "$root/tests/cups/private-cupsd.sh"
private_cupsd_prepare
cp "$host" "$bin/cv-PDLStreamFilter.so" "$bin/libcv-platform.so" "$work/lib/"
chmod 755 "$work/lib"/*
ln -s "$work/lib/pdl-stream-filter" "$work/serverbin/filter/cv-pdlstreamfilter"
cp "$root/packaging/cups/cv-pdlstreamfilter.types" "$root/packaging/cups/cv-pdlstreamfilter.convs" \
    "$work/conf/"
private_cupsd_start

# The pass phrase files: one only root and lp may read, one anyone may.
echo "correct horse battery staple" > "$work/conf/passphrase"
cp "$work/conf/passphrase" "$work/conf/leaky-passphrase"
chmod 600 "$work/conf/passphrase"
chmod 644 "$work/conf/leaky-passphrase"
if [ "$(id -u)" = 0 ]; then
    chgrp lp "$work/conf/passphrase"
    chmod 640 "$work/conf/passphrase"
fi
ppd_ps=$root/packaging/cups/cv-pdlstreamfilter-postscript.ppd
ppd_pxl=$root/packaging/cups/cv-pdlstreamfilter-pclxl.ppd
with_passphrase() { sed "s|^\*cvPDL: .*|&\n*cvPassPhraseFile: \"$2\"|" "$1"; }
with_passphrase "$ppd_ps" "$work/conf/passphrase" > "$work/secure.ppd"
with_passphrase "$ppd_pxl" "$work/conf/passphrase" > "$work/securexl.ppd"
with_passphrase "$ppd_ps" "$work/conf/leaky-passphrase" > "$work/leaky.ppd"
add_queue() {
    lpadmin -p "$1" -E -v "file://$work/out/$1.out" -P "$2" -o printer-error-policy=abort-job \
        2> /dev/null
}
add_queue ps "$ppd_ps"
add_queue pxl "$ppd_pxl"
add_queue secure "$work/secure.ppd"
add_queue securexl "$work/securexl.ppd"
add_queue leaky "$work/leaky.ppd"
# cupsd names the filter's process after its queue: a queue may be called after the program.
add_queue pdl-stream-filter "$ppd_ps"
# An administrator's default, which the job does not override.
add_queue duplexxl "$ppd_pxl"
lpadmin -p duplexxl -o Duplex=DuplexNoTumble 2> /dev/null

failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}
# submit QUEUE FILE OPTIONS...: the job's id.
submit() {
    local queue=$1 file=$2
    shift 2
    lp -d "$queue" -o document-format=application/vnd.cv-pdl-job "$@" "$file" |
        sed -n 's/^request id is [^ ]*-\([0-9]*\) .*/\1/p'
}
# Waits until the job has left the queue, or (a filter failed) the scheduler stopped it.
wait_for() {
    local queue=$1 id=$2
    for _ in $(seq 600); do
        lpstat -o "$queue" 2> /dev/null | grep -q "^$queue-$id " || return 0
        grep -q "\[Job $id\] Job stopped due to filter errors" "$work/log/error_log" && return 0
        sleep 0.2
    done
    fail "job $queue-$id did not finish"
}
# expect_same NAME DEVICE_FILE JOB_FILE INPUT: the device file equals the run of the job file
# (NAME.json in the results), kept as NAME.expected beside it.
expect_same() {
    "$host" run --job "$results/$1.json" --input "$3" --output "$results/$1.expected" > /dev/null
    if cmp -s "$2" "$results/$1.expected"; then
        echo "ok: $1: the device file is what pdl-stream-filter run makes of the job"
    else
        fail "$1: the device file is not what pdl-stream-filter run makes of the job"
        cp "$2" "$results/$1.device" 2> /dev/null || true
    fi
}

ps_job=$root/examples/jobs/doc003.ps2write-drv-staple-simpinitg.pjl.ps
id=$(submit ps "$ps_job" -n 2 -t "Quarterly report" -o sides=two-sided-long-edge \
    -o print-color-mode=monochrome -o Collate=True -o media-source=tray-2 \
    -o "cv-pjl='@PJL SET JOBNAME=QUARTERLY\\\\n@PJL SET HOLD=OFF'" \
    -o "cv-job-ps-comments='%%For: alice'" -o cv-remove-stapling=true)
wait_for ps "$id"
cat > "$results/ps.json" << 'JOB'
{
  "properties": {
    "Corvo_PjlToInsert": "@PJL SET JOBNAME=QUARTERLY\r\n@PJL SET HOLD=OFF\r\n",
    "Corvo_JobLevelPsCommentsToInsert": "%%For: alice\n",
    "Corvo_JobLevelPsToInsert": "<< /Collate true /NumCopies 2 >> setpagedevice\n",
    "RemoveNativeStaplingFlag": null
  },
  "everyPageFeatures": "Duplex=TwoSidedLongEdge:MediaPosition=2:ColorMode=Monochrome",
  "keepPageSetup": true,
  "driver": { "pdl": 7363 }
}
JOB
expect_same ps "$work/out/ps.out" "$ps_job"

pxl_job=$root/examples/jobs/doc001.pxlmono.pjl.pxl
id=$(submit pxl "$pxl_job" -o "cv-pjl='@PJL SET COPIES=2'")
wait_for pxl "$id"
cat > "$results/pxl.json" << 'JOB'
{
  "properties": {
    "Corvo_PjlToInsert":
      "@PJL SET DUPLEX=OFF\r\n@PJL SET RENDERMODE=GRAYSCALE\r\n@PJL SET PAPER=A4\r\n@PJL SET COPIES=2\r\n"
  },
  "keepPageSetup": true,
  "driver": { "pdl": 7360 }
}
JOB
expect_same pxl "$work/out/pxl.out" "$pxl_job"

id=$(submit secure "$ps_job")
wait_for secure "$id"
cat > "$results/secure.json" << 'JOB'
{ "everyPageFeatures": "Duplex=OneSided:ColorMode=Monochrome", "keepPageSetup": true,
  "driver": { "pdl": 7363 } }
JOB
if ! grep -q "ENTER LANGUAGE=POSTSCRIPT" "$work/out/secure.out" ||
    grep -q "%%EndSetup" "$work/out/secure.out"; then
    fail "job with a pass phrase: the device file is not encrypted behind the language switch"
fi
"$host" decrypt --pass-phrase-file "$work/conf/leaky-passphrase" --input "$work/out/secure.out" \
    --output "$results/secure.decrypted"
expect_same secure "$results/secure.decrypted" "$ps_job"

id=$(submit leaky "$ps_job")
wait_for leaky "$id"
if ! grep -q "\[Job $id\] the pass phrase file .*leaky-passphrase is refused: others may" \
    "$work/log/error_log"; then
    fail "refused job: no ERROR line naming the pass phrase file in the log"
elif [ -s "$work/out/leaky.out" ]; then
    fail "refused job: bytes reached the device"
elif ! grep -q "\[Job $id\] Job stopped due to filter errors" "$work/log/error_log"; then
    fail "refused job: the scheduler did not stop it for the filter's failure"
else
    echo "ok: a pass phrase file others may read refuses the job, which the scheduler stops"
fi
cancel "leaky-$id" 2> /dev/null || true

# Every kind of document on every queue, each device file's sheets counted.
source "$root/tests/cups/format-table.sh"
# Every page option on every kind of document prints as on a generic PostScript queue.
source "$root/tests/cups/render-table.sh"

# Whether a process runs PROGRAM (cupsd names a filter's process after the queue, so only its
# executable tells).
still_running() {
    local process
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/exe" 2> /dev/null)" = "$1" ] && return 0
    done
    return 1
}
stopped() { ! still_running "$1"; }
# within SECONDS COMMAND...: the command succeeds within that many seconds, asked every 0.2 s.
within() {
    local tries=$(($1 * 5))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}

# A job of many pages, each given features, runs long enough to be cancelled while the filter
# copies it; it must stop within seconds, well before its end.
python3 - "$work/many-pages.ps" << 'PY'
import sys
with open(sys.argv[1], 'wb') as out:
    out.write(b'\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS-Adobe-3.0\n'
              b'%%EndComments\n%%BeginSetup\n%%EndSetup\n')
    out.write(b''.join(b'%%%%Page: %d %d\n%%%%BeginPageSetup\n%%%%EndPageSetup\n'
                       b'gsave simpInitG\nshowpage\ngrestore\n' % (i, i)
                       for i in range(1, 2000001)))
    out.write(b'%%EOF\n\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X')
PY
id=$(submit ps "$work/many-pages.ps")
for _ in $(seq 300); do
    [ -s "$work/out/ps.out" ] && [ "$(stat -c %s "$work/out/ps.out")" -gt 1000000 ] && break
    sleep 0.1
done
cancel "ps-$id"
cancelled_at=$(date +%s)
wait_for ps "$id"
# cupsd drops the job as it sends its filters SIGTERM; the filter's own end (its account, its
# exit, slower under the sanitizers) and cupsd's logging of its last line come after that. Its
# line is the operation's, or, where the operation took longer than its grace to end (a busy
# machine, the sanitizers), the stop request's: both say that the job was cancelled.
within 10 stopped "$work/lib/pdl-stream-filter" || true
took=$(($(date +%s) - cancelled_at))
written=$(stat -c %s "$work/out/ps.out")
if still_running "$work/lib/pdl-stream-filter"; then
    fail "cancelled job: the filter is still running $took s after the request"
elif [ "$written" -ge "$(stat -c %s "$work/many-pages.ps")" ]; then
    fail "cancelled job: the filter ran to the end ($written bytes)"
elif ! within 10 grep -q "\[Job $id\] The job was cancelled" "$work/log/error_log"; then
    fail "cancelled job: no line of the filter says that the job was cancelled"
    grep "\[Job $id\]" "$work/log/error_log" | grep -v "\] PAGE: \|\[Job $id\] Sent " | tail -n 15
else
    echo "ok: a cancelled job stops ($written bytes written, stopped $took s after the request)"
fi

# What install-cups lays out below DESTDIR: the program beside its module (found there, not in the
# build tree), CUPS's link to it, the MIME files, the PPDs and the manual page.
DESTDIR=$work/dest "$root/packaging/cups/install.sh" "$bin" > /dev/null
lib=$work/dest/usr/lib/cv-pdlstreamfilter
if [ "$(readlink -f "$work/dest/usr/lib/cups/filter/cv-pdlstreamfilter")" != \
    "$(readlink -f "$lib/pdl-stream-filter")" ] ||
    [ "$(stat -c %a "$lib/pdl-stream-filter" "$lib/cv-PDLStreamFilter.so" "$lib/libcv-platform.so" |
        tr '\n' ' ')" != "755 644 644 " ] ||
    [ ! -f "$work/dest/usr/share/cups/mime/cv-pdlstreamfilter.types" ] ||
    [ ! -f "$work/dest/usr/share/cups/mime/cv-pdlstreamfilter.convs" ] ||
    [ ! -f "$work/dest/usr/share/man/man1/pdl-stream-filter.1" ] ||
    readelf -d "$lib/pdl-stream-filter" "$lib/cv-PDLStreamFilter.so" | grep -q "$bin" ||
    [ "$(ls "$work/dest/usr/share/ppd/cv-pdlstreamfilter" | wc -l)" != 2 ]; then
    fail "install-cups: the installed layout is not the documented one"
else
    echo "ok: install-cups lays out the program, its module, the link, the MIME type and the PPDs"
fi
for ppd in "$work/dest/usr/share/ppd/cv-pdlstreamfilter"/*.ppd; do
    report=$(cupstestppd -W all -R "$work/dest" "$ppd" 2>&1) || true
    if [ "$(head -1 <<< "$report")" != "$ppd: PASS" ] ||
        { [ "$(id -u)" = 0 ] && grep -q WARN <<< "$report"; }; then
        fail "cupstestppd -W all: $report"
    else
        echo "ok: cupstestppd -W all passes $(basename "$ppd") without a warning"
    fi
done
shown=$(lpoptions -p ps -l)
for option in PageSize Duplex Collate InputSlot MediaType ColorModel cvRemoveStapling cvPjl \
    cvJobPs cvDscComments; do
    grep -q "^$option/" <<< "$shown" || fail "lpoptions -l does not show $option"
done
exit $failed
