#!/usr/bin/env bash
# The main job on the bundled example: install what is missing, build the
# native program and run it on examples/routes/from-gpx/test_route_andorra.kml
# with the tiles in examples/tiles.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" -eq 0 ]; then tools/install-deps.sh; fi
tools/build.sh native >/dev/null
build/native/app/cli/tolmaric route examples/routes/from-gpx/test_route_andorra.kml
