#!/bin/bash
# Writes an application's PostScript document of three Letter pages to FILE, each page a big
# label and a frame, so that a page moved, scaled, rotated or lost shows in a coarse rendering.
#   letter-pages.sh FILE
set -euo pipefail
{
    printf '%%!PS-Adobe-3.0\n%%%%BoundingBox: 0 0 612 792\n%%%%Pages: 3\n%%%%EndComments\n'
    for page in 1 2 3; do
        printf '%%%%Page: %s %s\n/Helvetica findfont 60 scalefont setfont\n' "$page" "$page"
        printf '72 600 moveto (Page %s) show 72 72 468 648 rectstroke showpage\n' "$page"
    done
    printf '%%%%EOF\n'
} > "$1"
