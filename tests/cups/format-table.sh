#!/bin/bash
# The table of cupsd-test.sh: every kind of document a user prints on every queue, the sheets
# counted in each device file and in the page log, and no document byte in the clear on a queue
# with a pass phrase. Sourced by cupsd-test.sh, whose scheduler, queues and helpers it uses.

# Every kind of document on every queue. Each row: the queue, what is printed, the lp options (a
# "%" in them stands for a blank), and the sheets its device file must print (pages times
# copies), or "refused" when the filter must refuse it with an ERROR line and send nothing.
# PostScript, PDF and images reach the filter after CUPS's own filters (which make the copies),
# finished jobs as they are.
printf 'line one\nline two\n' > "$work/text.txt"
pdf=$root/examples/jobs/doc001.pdfwrite.pdf
app_ps=$work/application.ps
# An application's PostScript: the example job without the driver's PJL.
python3 - "$root/examples/jobs/doc001.ps2write-drv.pjl.ps" "$app_ps" << 'PY'
import sys
data = open(sys.argv[1], 'rb').read()
start = data.index(b'%!')
open(sys.argv[2], 'wb').write(data[start:data.index(b'\x1b%-12345X', start)])
PY
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeg -r30 -sOutputFile="$work/image.jpg" "$app_ps"
pxl_bare=$root/examples/jobs/doc001.pxlmono.gs.pxl
# A PCL 5 job wrapped in PJL, as CUPS types raw: a language the queues do not speak, which a queue
# with a pass phrase must refuse rather than send in the clear.
pcl_job=$work/job.pcl
{
    printf '\e%%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n'
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ljet4 -r75 -sOutputFile=- "$app_ps"
    printf '\e%%-12345X@PJL EOJ\r\n\e%%-12345X'
} > "$pcl_job"
rows=(
    "ps      pdf-collated      $pdf                       -n 2 -o Collate=True      2"
    "ps      text              $work/text.txt             -n 3                      3"
    "ps      application-ps    $app_ps   -n 2 -o cvPjl='Custom.@PJL%COMMENT%cv-custom' 2"
    "ps      jpeg              $work/image.jpg            -                         1"
    "ps      driver-job        $ps_job                    -n 2 -o Collate=True      6"
    "ps      raw               $ps_job                    -o raw                    3"
    "ps      raw-copies        $ps_job                    -o raw -n 2               6"
    "ps      test-page         testpage                   -                         1"
    "pxl     pdf-collated      $pdf                       -n 2 -o Collate=True      2"
    "pxl     text              $work/text.txt             -n 2                      2"
    "pxl     application-ps    $app_ps                    -                         1"
    "pxl     jpeg              $work/image.jpg            -                         1"
    "pxl     untyped-pcl-xl    $pxl_bare                  -n 3                      3"
    "pxl     test-page         testpage                   -                         1"
    "secure  pdf               $pdf                       -n 2                      2"
    "secure  text              $work/text.txt             -                         1"
    "secure  application-ps    $app_ps                    -o cv-pjl=@PJL             1"
    "secure  driver-job        $ps_job                    -                         3"
    "secure  raw               $ps_job                    -o raw                    3"
    "secure  raw-text          $work/text.txt             -o raw                    refused"
    "secure  pjl-pcl           $pcl_job                   -                         refused"
    "securexl pdf              $pdf                       -n 2                      2"
    "securexl text             $work/text.txt             -                         1"
    "securexl untyped-pcl-xl   $pxl_bare                  -                         1"
    "securexl raw-pcl-xl       $pxl_bare                  -o raw                    1"
    "securexl test-page        testpage                   -                         1"
    "pdl-stream-filter driver-job $ps_job                 -                         3"
    "duplexxl pdf              $pdf                       -                         1"
)
# A document's plaintext that must never reach a queue with a pass phrase in the clear.
in_the_clear() {
    grep -a -q -e '%%Page' -e ') HP-PCL XL' -e 'showpage' -e '%PDF-' "$1"
}
for row in "${rows[@]}"; do
    read -r -a fields <<< "$row"
    queue=${fields[0]} label=${fields[1]} file=${fields[2]} expected=${fields[-1]}
    options=("${fields[@]:3:${#fields[@]}-4}")
    [ "${options[*]}" = - ] && options=()
    options=("${options[@]//%/ }")
    [ "$file" = testpage ] && file=/usr/share/cups/data/testprint
    rm -f "$work/out/$queue.out"
    id=$(lp -d "$queue" "${options[@]}" "$file" | sed -n 's/^request id is [^ ]*-\([0-9]*\) .*/\1/p')
    wait_for "$queue" "$id"
    device=$work/out/$queue.out
    name="$queue/$label"
    if [ "$expected" = refused ]; then
        if [ -s "$device" ] || ! grep -q "\[Job $id\] The job has a pass phrase but" \
            "$work/log/error_log"; then
            fail "$name: not refused with an ERROR line before a byte was sent"
        else
            echo "ok: $name: refused, nothing sent"
        fi
        cancel "$queue-$id" 2> /dev/null || true
        continue
    fi
    if ! grep -a -q '@PJL' "$device"; then
        fail "$name: the device file holds no PJL"
        continue
    fi
    if grep -q "\[Job $id\] item .* not inserted" "$work/log/error_log"; then
        fail "$name: an option's item was not inserted"
    fi
    if [ "${queue#secure}" != "$queue" ]; then
        if in_the_clear "$device"; then
            fail "$name: document bytes in the clear on a queue with a pass phrase"
            continue
        fi
        "$host" decrypt --pass-phrase-file "$work/conf/leaky-passphrase" --input "$device" \
            --output "$work/decrypted" || { fail "$name: the device file does not decrypt"; continue; }
        device=$work/decrypted
    fi
    if [ "$label" = driver-job ] && ! grep -a -q '@PJL COMMENT made by a driver' "$device"; then
        fail "$name: the driver's own PJL is gone"
    fi
    if [ "$label" = raw ] && [ "$queue" = ps ] && ! cmp -s "$device" "$file"; then
        fail "$name: a raw job on a queue without a pass phrase is not sent as it is"
    fi
    if [ "$label" = application-ps ] && [ "$queue" = ps ] &&
        ! grep -a -q '@PJL COMMENT cv-custom' "$device"; then
        fail "$name: the PPD's custom PJL option did not survive pstops"
    fi
    if [ "$queue" = duplexxl ] && ! grep -a -q '@PJL SET DUPLEX=ON' "$device"; then
        fail "$name: the queue's default Duplex=DuplexNoTumble is not in the job"
    fi
    sheets=$(python3 "$root/tests/cups/sheets.py" "$device" || echo none)
    if [ "$sheets" != "$expected" ]; then
        fail "$name: $sheets sheets, $expected expected"
        cp "$device" "$results/$queue-$label.device" 2> /dev/null || true
    elif ! grep -q "^$queue [^ ]* $id \[[^]]*\] total $expected " "$work/log/page_log"; then
        fail "$name: the page log does not count its $expected sheets"
    else
        echo "ok: $name: $sheets sheets, in the page log too"
    fi
done
