#!/bin/bash
# The render table of cupsd-test.sh: every page option a user gives CUPS, on every kind of
# document, prints through our queues as it prints on a plain PostScript queue with no filter of
# ours. Each device file (decrypted on the queue with a pass phrase) is rendered by Ghostscript
# beside the plain queue's, page for page. Sourced by cupsd-test.sh, whose scheduler, queues and
# helpers it uses.

# The plain queue: our PostScript PPD with CUPS's own pass-through filter in place of ours, so that
# CUPS's filters lay out the pages on the same paper, margins and language level (CUPS's sample
# generic PPD has others, and its pages differ for that alone). A file: device gets nothing from
# a queue that runs no filter at all, hence the pass-through for finished and raw jobs too.
awk '/^\*cupsFilter2:/ {
        if (!written) {
            print "*cupsFilter2: \"application/vnd.cups-postscript application/postscript 0 gziptoany\""
            print "*cupsFilter2: \"application/vnd.cups-raw application/octet-stream -1 gziptoany\""
        }
        written = 1
        next
    }
    { print }' "$ppd_ps" > "$work/plain.ppd"
add_queue plain "$work/plain.ppd"

# The documents, several pages each where the kind allows it, and the options a document of one
# page has nothing to print for. The PJL-wrapped ones are typed as finished jobs on every queue,
# so CUPS's own filters (and the page options) pass them by on the plain queue as on ours.
letters=$work/letter-pages.ps
"$root/tests/cups/letter-pages.sh" "$letters"
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="$work/letter-pages.pdf" "$letters"
seq -f 'line %g of a text long enough for three pages' 150 > "$work/long-text.txt"
{
    printf '\e%%-12345X@PJL JOB NAME="ps2write"\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n'
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ps2write -sOutputFile=- "$letters"
    printf '\e%%-12345X@PJL EOJ\r\n\e%%-12345X'
} > "$work/ps2write.pjl.ps"
documents=(
    "pdf              $work/letter-pages.pdf      -"
    "text             $work/long-text.txt         -"
    "application-ps   $letters                    -"
    "jpeg             $work/image.jpg             -o%page-ranges=2-3"
    "driver-job       $ps_job                     -"
    "ps2write-pjl     $work/ps2write.pjl.ps       -"
)
# Each row: the lp options (a "%" stands for a blank, "-" for none) and the share of a page's
# pixels that may differ. The banner page names its queue and job, which differ between queues.
option_rows=(
    "-                         0.001"
    "-o%number-up=2            0.001"
    "-o%number-up=4            0.001"
    "-o%landscape              0.001"
    "-o%orientation-requested=5 0.001"
    "-o%fit-to-page            0.001"
    "-o%page-ranges=2-3        0.001"
    "-o%page-set=odd           0.001"
    "-o%outputorder=reverse    0.001"
    "-o%mirror                 0.001"
    "-o%page-border=single     0.001"
    "-o%job-sheets=standard    0.02"
)

# print_on QUEUE FILE OPTIONS...: prints and waits; the device file is kept as render/QUEUE.out.
print_on() {
    local queue=$1 file=$2 id
    shift 2
    rm -f "$work/out/$queue.out"
    id=$(lp -d "$queue" "$@" "$file" | sed -n 's/^request id is [^ ]*-\([0-9]*\) .*/\1/p')
    wait_for "$queue" "$id"
    cp "$work/out/$queue.out" "$work/render/$queue.out" 2> /dev/null || : > "$work/render/$queue.out"
}
mkdir -p "$work/render"
for document in "${documents[@]}"; do
    read -r label file excluded <<< "$document"
    for option_row in "${option_rows[@]}"; do
        read -r options tolerance <<< "$option_row"
        [ "$options" = "$excluded" ] && continue
        [ "$options" = - ] && options=
        read -r -a options <<< "${options//%/ }"
        name="$label ${options[*]:-without options}"
        printing=()
        for queue in plain ps secure; do
            print_on "$queue" "$file" "${options[@]}" &
            printing+=($!)
        done
        wait "${printing[@]}"
        "$host" decrypt --pass-phrase-file "$work/conf/leaky-passphrase" \
            --input "$work/render/secure.out" --output "$work/render/secure.decrypted" 2> /dev/null ||
            : > "$work/render/secure.decrypted"
        # Both renderings side by side: the secure queue's decrypted job, the ps queue's as it is.
        declare -A comparing=()
        for queue in ps secure; do
            device=$work/render/$queue.out
            [ "$queue" = secure ] && device=$work/render/secure.decrypted
            python3 "$root/tests/cups/render-compare.py" --resolution 72 "$device" \
                "$work/render/plain.out" "$tolerance" > "$work/render/$queue.difference" &
            comparing[$queue]=$!
        done
        for queue in ps secure; do
            if wait "${comparing[$queue]}"; then
                echo "ok: $queue: $name prints as on the plain queue"
            else
                fail "$queue: $name prints otherwise than on the plain queue:" \
                    "$(cat "$work/render/$queue.difference")"
                cp "$work/render/$queue.out" "$results/render-$queue-$label.device"
                cp "$work/render/plain.out" "$results/render-plain-$label.device"
            fi
        done
    done
done
