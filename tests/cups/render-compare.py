#!/usr/bin/env python3
"""Whether two device files print the same: the PostScript or PDF job of each (the bytes behind
its PJL language switch up to the next UEL) rendered by Ghostscript at 36 dpi in gray, page for
page. The same page count, and on each page at most TOLERANCE of the pixels different (default
0.001), for anti-aliasing and rounding in feature code that changes nothing on paper.

    render-compare.py ACTUAL EXPECTED [TOLERANCE]

Prints what differs and exits 1; exits 0 when they print the same.
"""
import os
import re
import subprocess
import sys
import tempfile

UEL = b'\x1b%-12345X'


def job_body(data):
    switch = re.search(rb'@PJL ENTER LANGUAGE\s*=\s*\w+[^\n]*\n', data)
    if switch is None:
        return data
    body = data[switch.end():]
    end = body.find(UEL)
    return body if end < 0 else body[:end]


def pages(path, folder, name):
    with open(path, 'rb') as device:
        body = job_body(device.read())
    job = os.path.join(folder, name + '.job')
    with open(job, 'wb') as out:
        out.write(body)
    run = subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=pgmraw',
                          '-r36', '-sOutputFile=' + os.path.join(folder, name + '-%05d.pgm'),
                          job], capture_output=True, check=False)
    errors = (run.stdout + run.stderr).decode('latin-1').strip()
    rendered = sorted(f for f in os.listdir(folder) if f.startswith(name + '-'))
    contents = []
    for page in rendered:
        with open(os.path.join(folder, page), 'rb') as image:
            contents.append(image.read())
    return contents, errors


def main():
    tolerance = float(sys.argv[3]) if len(sys.argv) > 3 else 0.001
    with tempfile.TemporaryDirectory() as folder:
        actual, actual_errors = pages(sys.argv[1], folder, 'actual')
        expected, _ = pages(sys.argv[2], folder, 'expected')
    if actual_errors:
        print('Ghostscript on ' + sys.argv[1] + ': ' + actual_errors[:300])
        return 1
    if len(actual) != len(expected) or not expected:
        print('%d pages, not %d' % (len(actual), len(expected)))
        return 1
    for number, (one, other) in enumerate(zip(actual, expected), 1):
        if len(one) != len(other):
            print('page %d: another size' % number)
            return 1
        differing = sum(1 for a, b in zip(one, other) if a != b)
        if differing > tolerance * len(one):
            print('page %d: %d of %d pixels differ' % (number, differing, len(one)))
            return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
