#!/bin/bash
# The render table of cupsd-test.sh: every page option a user gives CUPS, on every kind of
# document, prints through our queues as it prints on a plain PostScript queue with no filter of
# ours. Each device file (decrypted on the queue with a pass phrase) is rendered by Ghostscript
# beside the plain queue's, page for page. Sourced by cupsd-test.sh, whose scheduler, queues and
# helpers it uses.

source "$root/tests/cups/render-rows.sh"
render_documents "$work"
# The plain queue: our PostScript PPD with CUPS's own pass-through filter in place of ours, so that
# CUPS's filters lay out the pages on the same paper, margins and language level (CUPS's sample
# generic PPD has others, and its pages differ for that alone).
plain_ppd "$ppd_ps" application/vnd.cups-postscript application/postscript > "$work/plain.ppd"
add_queue plain "$work/plain.ppd"

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
    for option_row in "${option_rows[@]}"; do
        render_row "$document" "$option_row" || continue
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
