#!/bin/bash
# Installs the filter for CUPS from a Linux build's bin/ folder, below DESTDIR when it is set:
#   packaging/cups/install.sh BIN_DIR
# The program, the module and the stand-in library go together into /usr/lib/cv-pdlstreamfilter
# (the program loads the module from beside itself); CUPS runs the program through a link in its
# filter folder, under the name the PPDs' *cupsFilter2 lines give.
set -euo pipefail
bin=$1
packaging=$(cd "$(dirname "$0")" && pwd)
dest=${DESTDIR:-}
lib=/usr/lib/cv-pdlstreamfilter

install -d -m 755 "$dest$lib" "$dest/usr/lib/cups/filter" "$dest/usr/share/cups/mime" \
    "$dest/usr/share/ppd/cv-pdlstreamfilter" "$dest/usr/share/man/man1"
install -m 755 "$bin/pdl-stream-filter" "$dest$lib/pdl-stream-filter"
install -m 644 "$bin/cv-PDLStreamFilter.so" "$bin/libcv-platform.so" "$dest$lib/"
# Relative, so that it also resolves below DESTDIR (cupstestppd -R checks a staged tree).
ln -sfn ../../cv-pdlstreamfilter/pdl-stream-filter "$dest/usr/lib/cups/filter/cv-pdlstreamfilter"
install -m 644 "$packaging/cv-pdlstreamfilter.types" "$packaging/cv-pdlstreamfilter.convs" \
    "$dest/usr/share/cups/mime/"
install -m 644 "$packaging/pdl-stream-filter.1" "$dest/usr/share/man/man1/"
install -m 644 "$packaging"/cv-pdlstreamfilter-*.ppd "$dest/usr/share/ppd/cv-pdlstreamfilter/"
echo "installed the CUPS filter below ${dest:-/}"
