#!/bin/bash
# The rows of the render tables (the CUPS queues' and the printer application's): the documents
# and the page options a user gives CUPS. Sourced with $root set; render_documents FOLDER writes
# the documents there and sets $documents and $option_rows; render_row DOCUMENT OPTION_ROW sets
# $label, $file, $options, $tolerance and $name, and fails for a row the document has no page for;
# plain_ppd makes the reference queue's PPD. CV_RENDER_TABLE=short keeps two option rows.

render_documents() {
    local folder=$1 letters=$1/letter-pages.ps
    "$root/tests/cups/letter-pages.sh" "$letters"
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="$folder/letter-pages.pdf" \
        "$letters"
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeg -r30 -dLastPage=1 \
        -sOutputFile="$folder/letter-page.jpg" "$letters"
    seq -f 'line %g of a text long enough for three pages' 150 > "$folder/long-text.txt"
    {
        printf '\e%%-12345X@PJL JOB NAME="ps2write"\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n'
        gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ps2write -sOutputFile=- "$letters"
        printf '\e%%-12345X@PJL EOJ\r\n\e%%-12345X'
    } > "$folder/ps2write.pjl.ps"
    # Each document: its label, its file and the options it has no page for (a JPEG is one page).
    # The PJL-wrapped ones are finished jobs to a CUPS queue of ours, which CUPS's own filters
    # (and so the page options) pass by.
    documents=(
        "pdf              $folder/letter-pages.pdf      -"
        "text             $folder/long-text.txt         -"
        "application-ps   $letters                      -"
        "jpeg             $folder/letter-page.jpg       -o%page-ranges=2-3"
        "driver-job       $root/examples/jobs/doc003.ps2write-drv-staple-simpinitg.pjl.ps -"
        "ps2write-pjl     $folder/ps2write.pjl.ps       -"
    )
    # Each row: the lp options (a "%" stands for a blank, "-" for none) and the share of a page's
    # pixels that may differ. The banner page names its queue and job, which differ by queue.
    option_rows=(
        "-                          0.001"
        "-o%number-up=2             0.001"
        "-o%number-up=4             0.001"
        "-o%landscape               0.001"
        "-o%orientation-requested=5 0.001"
        "-o%fit-to-page             0.001"
        "-o%page-ranges=2-3         0.001"
        "-o%page-set=odd            0.001"
        "-o%outputorder=reverse     0.001"
        "-o%mirror                  0.001"
        "-o%page-border=single      0.001"
        "-o%job-sheets=standard     0.02"
    )
    # CV_RENDER_TABLE=short (the sanitizer builds): no option and N-up alone.
    if [ "${CV_RENDER_TABLE:-full}" = short ]; then
        option_rows=("${option_rows[@]:0:2}")
    fi
}

render_row() {
    local excluded option_text
    read -r label file excluded <<< "$1"
    read -r option_text tolerance <<< "$2"
    [ "$option_text" = "$excluded" ] && return 1
    [ "$option_text" = - ] && option_text=
    read -r -a options <<< "${option_text//%/ }"
    name="$label ${options[*]:-without options}"
}

# plain_ppd PPD TYPE DEVICE_TYPE: the PPD with CUPS's own pass-through filter from TYPE in place of
# its filters, so that a queue of it prints what CUPS's own filters make. A file: device gets
# nothing from a queue that runs no filter at all, hence the pass-through for raw jobs too.
plain_ppd() {
    awk -v from="$2" -v to="$3" '/^\*cupsFilter2:/ {
            if (!written) {
                printf "*cupsFilter2: \"%s %s 0 gziptoany\"\n", from, to
                print "*cupsFilter2: \"application/vnd.cups-raw application/octet-stream -1 gziptoany\""
            }
            written = 1
            next
        }
        { print }' "$1"
}
