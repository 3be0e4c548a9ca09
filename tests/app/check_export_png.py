#!/usr/bin/python3
"""`tolmaric export --bitmap --png` draws once and writes both files: Pillow
must read the PNG as 8-bit RGB with exactly the BMP's pixels, for the example
chart with every decoration and for a smaller one without statistics.

    /usr/bin/python3 check_export_png.py <tolmaric> <source folder>
"""

import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

tolmaric, source = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp()
failures = []
try:
    route = os.path.join(work, "andorra.kml")
    shutil.copy(os.path.join(source, "examples", "routes", "from-gpx", "test_route_andorra.kml"), route)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"))
    for size in (["--width", "1024", "--height", "768"], ["--width", "640", "--height", "480", "--no-bitmap-stats"]):
        run = subprocess.run([tolmaric, "export", route, "--tiles", os.path.join(source, "examples", "tiles"),
                              "--locations", os.path.join(source, "examples", "Locations.txt"),
                              "--bitmap", "--png", "--yes"] + size, capture_output=True, env=env)
        if run.returncode != 0:
            failures.append("%r: exit %d %r" % (size, run.returncode, run.stderr))
            continue
        png = Image.open(os.path.join(work, "andorra.png"))
        bmp = Image.open(os.path.join(work, "andorra.bmp")).convert("RGB")
        if png.mode != "RGB" or png.size != bmp.size or png.tobytes() != bmp.tobytes():
            failures.append("%r: the PNG (%s %r) does not show the BMP's pixels" % (size, png.mode, png.size))
finally:
    shutil.rmtree(work)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
