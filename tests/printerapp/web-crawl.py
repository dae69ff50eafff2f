#!/usr/bin/env python3
"""Every page of the application's web interface a visitor reaches by its links, as headless
Chromium renders them: starting from the given paths, each same-origin link followed once (up to
LIMIT pages). Writes each page's DOM into FOLDER and prints the paths it visited.

    web-crawl.py BASE_URL FOLDER LIMIT PATH...
"""
import os
import re
import subprocess
import sys
import urllib.parse

base, folder, limit, starts = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
origin = urllib.parse.urlsplit(base)
queue, seen = list(starts), set()
while queue and len(seen) < limit:
    path = queue.pop(0)
    if path in seen:
        continue
    seen.add(path)
    dom = subprocess.run(
        ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--user-data-dir=" + os.path.join(folder, "profile"), "--dump-dom", base + path],
        capture_output=True, timeout=60, check=True).stdout.decode("utf-8", "replace")
    name = re.sub(r"[^A-Za-z0-9]+", "_", path).strip("_") or "home"
    with open(os.path.join(folder, name + ".html"), "w") as out:
        out.write(dom)
    print(path)
    for link in re.findall(r'(?:href|action)="([^"]+)"', dom):
        target = urllib.parse.urlsplit(urllib.parse.urljoin(base + path, link))
        if (target.scheme, target.netloc) == (origin.scheme, origin.netloc) and \
                not target.path.endswith((".png", ".css")):
            queue.append(target.path + ("?" + target.query if target.query else ""))
