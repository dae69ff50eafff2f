#!/bin/bash
# The render table through the application: every page option a user gives CUPS prints through
# the driverless queue of the application's PostScript printer as the PDF CUPS makes of the job
# prints once the application's own conversion has made it PostScript, without our filter;
# Ghostscript renders both page for page. Sourced by printer-app-cupsd.sh, whose scheduler,
# application, queue and print helper it uses. CUPS makes the documents here PDF for the
# application; a JPEG it sends as it is (the application takes images), and the application's
# own image pages are not what CUPS's filters make, so images have no row here.
root=$source
source "$root/tests/cups/render-rows.sh"
mkdir -p render
render_documents "$work/render"
app_labels=" pdf text application-ps driver-job "

# The plain queue: the driverless queue's own PPD, CUPS's pass-through in place of its filter, so
# that its device file is the PDF the application would get.
plain_ppd "$ppd" application/vnd.cups-pdf application/pdf > "$cupsd_work/plain.ppd"
chmod 644 "$cupsd_work/plain.ppd"
lpadmin -p app-plain -E -v "file://$cupsd_work/out/app-plain.out" -P "$cupsd_work/plain.ppd" \
    2> /dev/null || fail "no plain queue beside the driverless one"
# Prints on the plain queue; its PDF made PostScript as the application makes it (the command of
# PrinterAppConversion) is left in render/plain.ps.
print_plain() {
    local id
    rm -f "$cupsd_work/out/app-plain.out"
    id=$(lp -d app-plain "$@" | sed -n 's/^request id is [^ ]*-\([0-9]*\) .*/\1/p')
    for _ in $(seq 300); do
        lpstat -o app-plain 2> /dev/null | grep -q "^app-plain-$id " || break
        sleep 0.1
    done
    : > render/plain.ps
    pdftops -level3 "$cupsd_work/out/app-plain.out" render/plain.ps 2> /dev/null || true
}

differing=0
for document in "${documents[@]}"; do
    for option_row in "${option_rows[@]}"; do
        render_row "$document" "$option_row" || continue
        [[ $app_labels == *" $label "* ]] || continue
        # Two-sided, so that every page gets a feature of the filter's to put in its page setup.
        options+=(-o sides=two-sided-long-edge)
        print_plain "${options[@]}" "$file"
        print ps "$file" "${options[@]}"
        if difference=$(python3 "$source/tests/cups/render-compare.py" --resolution 72 "$stream" \
            render/plain.ps "$tolerance"); then
            echo "ok: app-ps: $name prints as the PDF CUPS makes of it"
        else
            echo "FAILED: app-ps: $name prints otherwise than the PDF CUPS makes of it: $difference"
            cp "$stream" "render/$label.device"
            cp render/plain.ps "render/$label.ps"
            differing=$((differing + 1))
        fi
    done
done
[ "$differing" = 0 ] || fail "$differing rows of the render table print otherwise"
