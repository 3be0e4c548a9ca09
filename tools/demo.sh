#!/usr/bin/env bash
# The main job on the bundled example: install what the native build needs
# (nothing for the other builds), build the native program and make the
# height profile of a real route through Andorra, with the bundled tiles and
# locations. The outputs land in out/: the report, and the chart as BMP and
# as PNG (the README shows the PNG).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" -eq 0 ]; then tools/install-deps.sh native; fi
tools/build.sh native >/dev/null
mkdir -p out
cp examples/routes/from-gpx/test_route_andorra.kml out/
build/native/app/cli/tolmaric export out/test_route_andorra.kml --tiles examples/tiles \
  --locations examples/Locations.txt --text --text-locations --text-stats --bitmap --png --yes
