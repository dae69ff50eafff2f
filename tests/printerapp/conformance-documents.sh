#!/bin/bash
# The documents CUPS's conformance files print, made with Ghostscript into FOLDER (Debian ships the
# test files without them): PDF and PostScript pages of A4 and US Letter, a colour and a grey JPEG,
# and the PWG raster samples of the types and resolution the application's printers take. ipptool
# reads every sample the files name before it skips a test, so the rest are there as empty files.
#   conformance-documents.sh FOLDER
set -euo pipefail
folder=$1
mkdir -p "$folder"
cd "$folder"
gs=(gs -q -dNOPAUSE -dBATCH -dSAFER)

page() {  # page NAME WIDTH HEIGHT: one page of text and colour, in points
    cat > "$1.source.ps" << PS
%!PS
<< /PageSize [$2 $3] >> setpagedevice
0.2 0.4 0.8 setrgbcolor 36 36 $2 72 sub 72 rectfill
0 setgray /Helvetica findfont 18 scalefont setfont
48 $3 72 sub moveto ($1: a conformance page) show
showpage
PS
    "${gs[@]}" -sDEVICE=pdfwrite -sOutputFile="$1.pdf" "$1.source.ps"
}
page document-a4 595 842
page document-letter 612 792
page onepage-a4 595 842
page onepage-letter 612 792
page photo-4x6 288 432
for name in document-a4 document-letter; do
    "${gs[@]}" -sDEVICE=ps2write -sOutputFile="$name.ps" "$name.pdf"
done
"${gs[@]}" -sDEVICE=jpeg -r75 -sOutputFile=color.jpg photo-4x6.pdf
"${gs[@]}" -sDEVICE=jpeggray -r75 -sOutputFile=gray.jpg photo-4x6.pdf

sample() {  # sample RESOLUTION TYPE SPACE: cupsColorSpace SPACE, 8 bits, or empty for none
    local folder="pwg-raster-samples-${1}dpi/$2"
    mkdir -p "$folder"
    for source in color.jpg-4x6:photo-4x6 gray.jpg-4x6:photo-4x6 document-a4:document-a4 \
        document-letter:document-letter onepage-a4:onepage-a4 onepage-letter:onepage-letter; do
        local file="$folder/${source%%:*}-$2-${1}dpi.pwg"
        if [ -z "$3" ]; then
            : > "$file"
        else
            "${gs[@]}" -sDEVICE=pwgraster -r"$1" -dcupsColorSpace="$3" -dcupsBitsPerColor=8 \
                -sOutputFile="$file" "${source#*:}.pdf"
        fi
    done
}
for resolution in 150 180 300 360 600 720; do
    for type in black-1 cmyk-8 sgray-8 srgb-8 srgb-16; do
        space=""
        if [ "$resolution" = 300 ]; then
            case $type in sgray-8) space=18 ;; srgb-8) space=19 ;; esac
        fi
        sample "$resolution" "$type" "$space"
    done
done
rm -f ./*.source.ps
