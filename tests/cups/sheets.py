#!/usr/bin/env python3
"""Counts the sheets a printer would print of a device file: pages times copies, as the job asks
for them (PJL COPIES or QTY, PostScript /NumCopies, PCL XL PageCopies).

    sheets.py DEVICE_FILE

PostScript and PDF are rendered with Ghostscript (which writes a file per copy of a page); PCL
XL, which Ghostscript cannot render here, is read token by token. Prints the count; exits 1 when
the file holds no job it can count.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

UEL = b'\x1b%-12345X'


def pjl_copies(data):
    found = re.findall(rb'@PJL SET (?:COPIES|QTY)\s*=\s*(\d+)', data)
    return int(found[-1]) if found else 1


def jobs(data):
    """Each job of the file (a raw job sent twice holds two): the PJL in front of its language
    switch, and the stream behind it up to the next UEL. A file without PJL is one bare job."""
    matches = list(re.finditer(rb'@PJL ENTER LANGUAGE\s*=\s*(\w+)[^\n]*\n', data))
    if not matches:
        return [(b'', data)]
    found, job_start = [], 0
    for match in matches:
        body = data[match.end():]
        end = body.find(UEL)
        body = body if end < 0 else body[:end]
        found.append((data[job_start:match.end()], body))
        job_start = match.end() + len(body)
    return found


def rendered_pages(body):
    with tempfile.TemporaryDirectory() as folder:
        job = os.path.join(folder, 'job')
        with open(job, 'wb') as out:
            out.write(body)
        subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=pgmraw', '-r10',
                        '-sOutputFile=' + os.path.join(folder, 'p%05d.pgm'), job],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        return len([name for name in os.listdir(folder) if name.endswith('.pgm')])


# PCL XL data types: the size of one value, and for arrays the element size.
SCALARS = {0xc0: 1, 0xc1: 2, 0xc2: 4, 0xc3: 2, 0xc4: 4, 0xc5: 4,
           0xd0: 2, 0xd1: 4, 0xd2: 8, 0xd3: 4, 0xd4: 8, 0xd5: 8,
           0xe0: 4, 0xe1: 8, 0xe2: 16, 0xe3: 8, 0xe4: 16, 0xe5: 16}
ARRAYS = {0xc8: 1, 0xc9: 2, 0xca: 4, 0xcb: 2, 0xcc: 4, 0xcd: 4}
END_PAGE, PAGE_COPIES = 0x44, 0x31


def pclxl_sheets(body):
    start = body.find(b') HP-PCL XL')
    if start < 0:
        return None
    i = body.index(b'\n', start) + 1
    sheets, value, copies = 0, None, 1
    while i < len(body):
        tag = body[i]
        i += 1
        if tag in SCALARS:
            size = SCALARS[tag]
            value = int.from_bytes(body[i:i + min(size, 4)], 'little') if size <= 4 else None
            i += size
        elif tag in ARRAYS:
            count_tag = body[i]
            count = body[i + 1] if count_tag == 0xc0 else struct.unpack('<H', body[i + 1:i + 3])[0]
            i += 2 if count_tag == 0xc0 else 3
            i += count * ARRAYS[tag]
        elif tag == 0xf8:
            if body[i] == PAGE_COPIES and value is not None:
                copies = value
            i += 1
        elif tag == 0xfa:
            i += 4 + struct.unpack('<I', body[i:i + 4])[0]
        elif tag == 0xfb:
            i += 1 + body[i]
        elif tag == END_PAGE:
            sheets += copies
            copies = 1
        elif tag == 0x1b:
            break
    return sheets


def sheets_of(header, body):
    if b') HP-PCL XL' in body[:200]:
        sheets = pclxl_sheets(body)
    elif body.lstrip()[:2] == b'%!' or body.lstrip()[:5] == b'%PDF-':
        sheets = rendered_pages(body)
    else:
        return None
    return sheets * pjl_copies(header) if sheets else None


def main():
    with open(sys.argv[1], 'rb') as device:
        data = device.read()
    counts = [sheets_of(header, body) for header, body in jobs(data)]
    if not counts or None in counts:
        print('no countable job in ' + sys.argv[1], file=sys.stderr)
        return 1
    print(sum(counts))
    return 0


if __name__ == '__main__':
    sys.exit(main())
