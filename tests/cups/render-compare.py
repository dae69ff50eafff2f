#!/usr/bin/env python3
"""Whether two device files print the same: the PostScript or PDF job of each (the bytes behind
each PJL language switch up to the next UEL) rendered by Ghostscript in gray (36 dpi unless
--resolution says otherwise), page for page. The same page count, and on each page at most
TOLERANCE of the pixels different (default 0.001), for anti-aliasing and rounding in feature code
that changes nothing on paper.

    render-compare.py [--resolution DPI] ACTUAL EXPECTED [TOLERANCE]

Prints what differs and exits 1; exits 0 when they print the same.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

UEL = b'\x1b%-12345X'


def job_body(data):
    """The PostScript or PDF of every job in the file, one after the other: a job of several
    documents (a banner page and the document, say) reaches the device as several PJL jobs."""
    switches = list(re.finditer(rb'@PJL ENTER LANGUAGE\s*=\s*\w+[^\n]*\n', data))
    if not switches:
        return data
    bodies = []
    for switch in switches:
        body = data[switch.end():]
        end = body.find(UEL)
        bodies.append(body if end < 0 else body[:end])
    return b''.join(bodies)


def pages(path, folder, name, resolution):
    with open(path, 'rb') as device:
        body = job_body(device.read())
    job = os.path.join(folder, name + '.job')
    with open(job, 'wb') as out:
        out.write(body)
    run = subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=pgmraw',
                          '-r%d' % resolution,
                          '-sOutputFile=' + os.path.join(folder, name + '-%05d.pgm'), job], capture_output=True, check=False)
    errors = (run.stdout + run.stderr).decode('latin-1').strip()
    rendered = sorted(f for f in os.listdir(folder) if f.startswith(name + '-'))
    contents = []
    for page in rendered:
        with open(os.path.join(folder, page), 'rb') as image:
            contents.append(image.read())
    return contents, errors


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--resolution', type=int, default=36)
    parser.add_argument('actual')
    parser.add_argument('expected')
    parser.add_argument('tolerance', type=float, nargs='?', default=0.001)
    arguments = parser.parse_args()
    tolerance = arguments.tolerance
    with tempfile.TemporaryDirectory() as folder:
        actual, actual_errors = pages(arguments.actual, folder, 'actual', arguments.resolution)
        expected, _ = pages(arguments.expected, folder, 'expected', arguments.resolution)
    if actual_errors:
        print('Ghostscript on ' + arguments.actual + ': ' + actual_errors[:300])
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
