#!/usr/bin/env python3
"""Whether the first page of a PostScript device file looks like the first page of a reference
document: both rendered in gray by Ghostscript at the same resolution, the same size, and at most
a small share of pixels differing by more than a little (image sampling may move an edge by a
pixel).

    raster-matches.py DEVICE_FILE REFERENCE RESOLUTION

Exits 0 when the pages match, 1 with what differs when they do not.
"""
import os
import re
import subprocess
import sys
import tempfile

UEL = b'\x1b%-12345X'
MOST_DIFFERING = 0.005


def document(data):
    """The device file's document: what follows its PJL language switch, up to the next UEL."""
    switch = re.search(rb'@PJL ENTER LANGUAGE\s*=\s*\w+[^\n]*\n', data)
    body = data[switch.end():] if switch else data
    end = body.find(UEL)
    return body if end < 0 else body[:end]


def first_page(path, resolution, folder, name):
    out = os.path.join(folder, name + '.pgm')
    subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-dFirstPage=1', '-dLastPage=1',
                    '-sDEVICE=pgmraw', '-r' + resolution, '-sOutputFile=' + out, path],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    with open(out, 'rb') as pgm:
        data = pgm.read()
    fields, at = [], 0
    while len(fields) < 4:
        end = data.index(b'\n', at)
        line, at = data[at:end], end + 1
        if not line.startswith(b'#'):
            fields += line.split()
    return int(fields[1]), int(fields[2]), data[at:]


def main(device_file, reference, resolution):
    with tempfile.TemporaryDirectory() as folder:
        job = os.path.join(folder, 'job')
        with open(device_file, 'rb') as source, open(job, 'wb') as out:
            out.write(document(source.read()))
        made = first_page(job, resolution, folder, 'made')
        expected = first_page(reference, resolution, folder, 'expected')
    if made[:2] != expected[:2]:
        print(f'the page is {made[0]}x{made[1]}, the reference {expected[0]}x{expected[1]}')
        return 1
    differing = sum(1 for a, b in zip(made[2], expected[2]) if abs(a - b) > 32)
    share = differing / len(expected[2])
    if share > MOST_DIFFERING:
        print(f'{differing} of {len(expected[2])} pixels differ ({share:.2%})')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
