#!/bin/bash
# The host as a CUPS filter, started as cupsd starts it but without a scheduler: what it refuses
# (with one "ERROR:" line, exit 1 and nothing sent), what it warns about, that a stop request ends
# it within a second whatever it waits for, and that with a pass phrase no text of the document
# reaches the device in the clear.
#   tests/host/cups-mode-test.sh HOST WORKDIR
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/host/stop-request.sh"
host=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

job=$root/examples/jobs/doc001.ps2write-drv.pjl.ps
ppd=$root/packaging/cups/cv-pdlstreamfilter-postscript.ppd
# A queue's PPD with a pass phrase file, which must be private to the print service.
secure_ppd() {
    sed "s|^\*cvPDL: .*|&\n*cvPassPhraseFile: \"$work/$1\"|" "$ppd" > "$1.ppd"
}
printf 'correct horse\n' > phrase
: > empty.phrase
printf '\ncorrect horse\n' > line-end.phrase
printf ' \t \n' > blanks.phrase
printf 'caf\xe9\n' > latin-1.phrase
chmod 600 ./*phrase
for phrase in phrase empty.phrase line-end.phrase blanks.phrase latin-1.phrase; do
    secure_ppd "$phrase"
done
mkdir a-folder
head -c $((64 * 1024 * 1024)) /dev/zero > zeros.ps
# A job whose document holds a UEL of its own and then its text.
printf '\e%%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%%!PS\n(\e%%-12345X) show\n(secret-page-text) show showpage\n\e%%-12345X\e%%-12345X@PJL EOJ\r\n\e%%-12345X' > uel-in-document.ps
printf '\e%%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%%!PS\n(first) show showpage\n\e%%-12345X%%!PS\n(secret-second-document) show showpage\n\e%%-12345X\e%%-12345X@PJL EOJ\r\n\e%%-12345X' > second-document.ps

# filter CODE LABEL MESSAGE PPD COPIES OPTIONS [FILE]: runs the filter as cupsd does; it exits
# with CODE and standard error holds MESSAGE; an "ERROR:" exit sends nothing. Standard input and
# output are the caller's; out.txt and err.txt keep them.
filter() {
    local code=$1 label=$2 message=$3 queue=$4
    shift 4
    PPD=$queue PRINTER=office "$host" cups 7 alice "a title" "$@" > out.txt 2> err.txt
    local actual=$?
    if [ "$actual" -ne "$code" ]; then
        fail "$label: exit $actual, expected $code; stderr: $(grep -v DEBUG err.txt)"
        return 1
    fi
    if [ -n "$message" ] && ! grep -qF -- "$message" err.txt; then
        fail "$label: standard error does not say '$message': $(grep -v DEBUG err.txt)"
        return 1
    fi
    if [ "$code" -ne 0 ] && [ -s out.txt ]; then
        fail "$label: a refused job sent $(wc -c < out.txt) bytes"
        return 1
    fi
    ok "$label"
}

# Refusals: one ERROR line, exit 1, nothing sent.
filter 1 "an empty pass phrase file" "ERROR: the pass phrase file $work/empty.phrase holds no pass phrase" empty.phrase.ppd 1 "" "$job"
grep -qx "STATE: +cv-pdlstreamfilter-job-failed-warning" err.txt ||
    fail "a refused job sets no printer state reason"
filter 1 "a pass phrase file that starts with a line end" "holds no pass phrase on its first line" line-end.phrase.ppd 1 "" "$job"
filter 1 "a pass phrase file of blanks" "holds no pass phrase on its first line" blanks.phrase.ppd 1 "" "$job"
filter 1 "a pass phrase file that is not UTF-8" "holds a pass phrase that is not UTF-8 text" latin-1.phrase.ppd 1 "" "$job"
filter 1 "standard input closed" "ERROR: standard input is closed" "$ppd" 1 "" <&-
(exec >&-; PPD=$ppd "$host" cups 7 alice t 1 "" "$job" 2> err.txt)
[ $? -eq 1 ] && grep -q "ERROR: standard output is closed" err.txt &&
    ok "standard output closed" || fail "standard output closed: $(cat err.txt)"
filter 1 "no copy" "ERROR: the copy count 0 asks for no copy: it must be at least 1" "$ppd" 0 "" "$job"
filter 1 "a negative copy count" "the copy count -1 asks for no copy" "$ppd" -1 "" "$job"
filter 1 "a copy count above 2^31 - 1" "the copy count 2147483648 is more than the 2147483647 copies" "$ppd" 2147483648 "" "$job"
filter 1 "a copy count above 2^32" "the copy count 4294967297 is more than" "$ppd" 4294967297 "" "$job"
filter 1 "a copy count that is no number" "the copy count \"2x\" is not a number" "$ppd" 2x "" "$job"
filter 1 "a print file that is a directory" "ERROR: the print file a-folder is a directory" "$ppd" 1 "" a-folder

# What goes through.
if filter 0 "the most copies a job can ask for" "" "$ppd" 2147483647 "" "$job"; then
    grep -aq "/NumCopies 2147483647 >> setpagedevice" out.txt || fail "the copies are not in the job"
fi
filter 0 "a regular print file" "PAGE: total 1" "$ppd" 1 "" "$job" && cp out.txt from-file.out
grep -qx "STATE: -cv-pdlstreamfilter-job-failed-warning" err.txt ||
    fail "a printed job does not clear the printer state reason"
rm -f print.fifo && mkfifo print.fifo
cat "$job" > print.fifo &
if filter 0 "a print file that is a FIFO" "INFO: cv-PDLStreamFilter" "$ppd" 1 "" print.fifo; then
    cmp -s out.txt from-file.out || fail "the FIFO's job differs from the file's"
fi
wait
filter 0 "a page size a finished job cannot take" "WARNING: the option media=A4 cannot be honoured" "$ppd" 1 "media=A4" "$job"
filter 0 "a media type the page code cannot carry" "WARNING: the option MediaType=)quit( names no type" "$ppd" 1 "MediaType=')quit('" "$job"

# The copies are the filter's to make only when it is the chain's first filter: after pstops or
# pdftops (CONTENT_TYPE names the document's own type) they are made already.
if CONTENT_TYPE=application/postscript filter 0 "a converted document: no copies of ours" "" \
    "$ppd" 3 "Collate=True" "$job"; then
    ! grep -aqF -e "/NumCopies 3" -e "<< /Collate true" out.txt ||
        fail "a converted document got copies again"
fi
# A raw job goes out as it came, once per copy, when the queue does not encrypt.
if CONTENT_TYPE=application/vnd.cups-raw filter 0 "a raw job" "" "$ppd" 2 "Duplex=DuplexTumble" "$job"; then
    cat "$job" "$job" | cmp -s - out.txt || fail "a raw job is not its bytes once per copy"
fi
# ... and is encrypted when it does; a raw job that cannot be is refused.
if CONTENT_TYPE=application/vnd.cups-raw filter 0 "a raw job with a pass phrase" \
    "1 encrypted sections" phrase.ppd 1 "" uel-in-document.ps; then
    ! grep -aq "secret-" out.txt || fail "a raw job went out in the clear"
fi
printf 'plain text\n' > plain.txt
CONTENT_TYPE=application/vnd.cups-raw filter 1 "a raw job without a language switch, with a pass phrase" \
    "ERROR: The job has a pass phrase but no PJL language switch" phrase.ppd 1 "" plain.txt
# cupsd starts the filter under its queue's name, which may be the program's own.
ln -sf "$host" pdl-stream-filter
PPD=$ppd ./pdl-stream-filter 7 alice t 1 "" "$job" > out.txt 2> err.txt &&
    cmp -s out.txt from-file.out && ok "started under the program's own name, it is the filter" ||
    fail "started under the program's own name: $(grep -v DEBUG err.txt)"
# A device that goes away fails the write: an ERROR line and exit 1, not death by SIGPIPE.
PPD=$ppd "$host" cups 7 alice t 1 "" zeros.ps 2> pipe.err | head -c 10 > /dev/null
code=${PIPESTATUS[0]}
[ "$code" -eq 1 ] && grep -q "^ERROR:" pipe.err && ok "a closed output pipe is an ERROR, exit 1" ||
    fail "a closed output pipe: exit $code: $(grep -v DEBUG pipe.err)"

# With a pass phrase no text of the document leaves in the clear, also behind a UEL of its own,
# and the device's bytes decrypt to the job.
for document in uel-in-document second-document; do
    if filter 0 "$document with a pass phrase" "1 encrypted sections" phrase.ppd 1 "" "$document.ps"; then
        ! grep -aq "secret-" out.txt || fail "$document: the document's text went out in the clear"
        "$host" decrypt --pass-phrase "correct horse" --input out.txt --output plain.txt &&
            grep -aq "secret-" plain.txt || fail "$document: the device's bytes do not decrypt to it"
    fi
done

# stopped PID LABEL ERRORS: a stop request ends the filter PID within a second, with an ERROR
# line in the file ERRORS.
stopped() {
    if ! stop_request "$1" TERM; then
        fail "$2: still running 3 s after SIGTERM"
    elif ! grep -q "^ERROR: The job was cancelled" "$3"; then
        fail "$2: no ERROR line: $(cat "$3")"
    else
        ok "$2: ended within a second of SIGTERM"
    fi
}
rm -f silent.fifo full.fifo && mkfifo silent.fifo full.fifo
sleep 20 > silent.fifo &
holder=$!
PPD=$ppd "$host" cups 7 alice t 1 "" silent.fifo > /dev/null 2> silent.err &
stopped $! "SIGTERM while the input stays silent" silent.err
kill "$holder" 2> /dev/null
sleep 20 < full.fifo &
holder=$!
PPD=$ppd "$host" cups 7 alice t 1 "" zeros.ps > full.fifo 2> full.err &
stopped $! "SIGTERM while the output pipe is full" full.err
kill "$holder" 2> /dev/null

# A filter's job id with too few or too many arguments: the filter's usage, as cupsd reads it.
for arguments in "7 alice t 1" "7 alice t 1 '' file extra"; do
    eval "PPD=\$ppd \"\$host\" $arguments" < /dev/null > /dev/null 2> usage.err
    code=$?
    [ "$code" = 1 ] && grep -q "^ERROR: usage: pdl-stream-filter cups JOB-ID" usage.err &&
        ok "the filter's usage for: $arguments" ||
        fail "arguments $arguments: exit $code, $(cat usage.err)"
done

# A page setting the queue's product data has no code for (it knows another option, or does not
# read) is named in a WARNING; one it knows is not. (The queue's default colour, which none of
# these data know, is warned of each time.)
for case in "long-edge:<ProductPdlData><Feature name='Duplex'><Option name='TwoSidedLongEdge'>(long) pop</Option></Feature></ProductPdlData>:" \
            "short-edge:<ProductPdlData><Feature name='Duplex'><Option name='TwoSidedShortEdge'>(short) pop</Option></Feature></ProductPdlData>:WARNING: the queue's product PDL data has no code for Duplex=TwoSidedLongEdge" \
            "broken:<ProductPdlData><Feature:WARNING: the queue's product PDL data has no code for Duplex=TwoSidedLongEdge"; do
    name=${case%%:*}
    rest=${case#*:}
    data=${rest%%:*}
    warning=${rest#*:}
    sed "s|^\*cvPDL: .*|&\n*cvProductPdlDataXml: \"$data\"|" "$ppd" > "product-$name.ppd"
    PPD=product-$name.ppd "$host" 7 alice t 1 "sides=two-sided-long-edge" "$job" > /dev/null 2> product.err
    if [ -n "$warning" ]; then
        grep -qF "$warning" product.err && ok "product data $name: the WARNING" ||
            fail "product data $name: no WARNING: $(grep -v DEBUG product.err)"
    else
        ! grep -q "^WARNING: the queue's product PDL data has no code for Duplex" product.err &&
            ok "product data $name: no WARNING" ||
            fail "product data $name: a WARNING: $(grep -v DEBUG product.err)"
    fi
done

# A full device: the ERROR names the system's reason, and no page is logged for the failed job.
PPD=$ppd "$host" 7 alice t 1 "" "$job" > /dev/full 2> full-device.err
code=$?
[ "$code" = 1 ] && grep -q "^ERROR: .*(No space left on device)$" full-device.err &&
    ! grep -q "^PAGE:" full-device.err && ok "a full device: its reason, no page logged" ||
    fail "a full device: exit $code, $(grep -v DEBUG full-device.err)"

PPD=$ppd "$host" 99999999999 alice t 1 "" < "$job" > /dev/null 2> range.err
grep -q '^ERROR: the job id 99999999999 is out of range: it is 0 to 4294967295$' range.err &&
    ok "a job id out of range says so" || fail "a job id out of range: $(cat range.err)"

# A stop request while the job streams in: one ERROR line, whole, and no second one saying that
# the filter waited (the cancelled copy ends at once). A few rounds, since the fault was a race.
for round in 1 2 3 4 5; do
    { cat "$job"; yes '% steady feed of the job'; } 2> /dev/null |
        PPD=$ppd "$host" cups 7 alice t 1 "" > /dev/null 2> steady.err &
    stop_request $! TERM || fail "steady feed $round: still running 3 s after SIGTERM"
    errors=$(grep -c "^ERROR:" steady.err)
    if [ "$errors" != 1 ] || grep -qaP '\x00' steady.err ||
        ! grep -q "^ERROR: The job was cancelled" steady.err; then
        fail "steady feed $round: $errors ERROR lines: $(tr '\0' '@' < steady.err)"
    fi
done
ok "a stop request on a steady feed: one whole ERROR line each time"

# What CUPS's pstops makes of a document of three pages for each page option (N-up, rotation,
# scaling, page ranges, order, borders: its code stands in the page setup sections) prints through
# the filter as it prints without it, the job's features added: Ghostscript renders both the same,
# page for page.
pstops=/usr/lib/cups/filter/pstops
if [ -x "$pstops" ] && command -v gs > /dev/null; then
    "$root/tests/cups/letter-pages.sh" letter-pages.ps
    for options in "" number-up=2 number-up=4 landscape orientation-requested=5 fit-to-page \
        page-ranges=2-3 page-set=odd outputorder=reverse mirror page-border=single \
        "number-up=2 sides=two-sided-long-edge"; do
        PPD=$ppd "$pstops" 7 alice t 1 "media=A4 $options" letter-pages.ps > pstops.ps 2> /dev/null
        if ! CONTENT_TYPE=application/vnd.cups-postscript PPD=$ppd "$host" 7 alice t 1 \
            "media=A4 $options" pstops.ps > filtered.out 2> filtered.err; then
            fail "pstops ${options:-without options}: $(grep -v DEBUG filtered.err)"
        elif ! difference=$(python3 "$root/tests/cups/render-compare.py" filtered.out pstops.ps); then
            fail "pstops ${options:-without options}: through the filter it prints otherwise: $difference"
        else
            ok "pstops ${options:-without options}: prints as without the filter"
        fi
    done
elif [ "${CV_REQUIRE_CUPSD:-0}" = 1 ]; then
    fail "CUPS's pstops or Ghostscript is not installed"
fi

[ "$failures" -eq 0 ] && echo "all CUPS mode checks passed"
exit $((failures > 0))
