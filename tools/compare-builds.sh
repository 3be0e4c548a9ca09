#!/usr/bin/env bash
# The Linux and the Windows program must write the same bytes for the same
# inputs. Runs one full export of the bundled example with each build (the
# Windows one under wine) and compares the reports, pictures (BMP and PNG) and
# the CSV and JSON profiles byte for byte.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
native="$top/build/native/app/cli/tolmaric"
windows="$top/build/win32/app/cli/tolmaric.exe"
work=$(mktemp -d "${TMPDIR:-/tmp}/tolmaric-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

arguments=(--tiles "$top/examples/tiles" --locations "$top/examples/Locations.txt"
           --text --text-locations --text-stats --bitmap --png --width 1200 --height 700 --yes)
status=0
for route in test_route_andorra.kml andorra_for_map_matching.kml skytraq.kml; do
  name=${route%.kml}
  mkdir -p "$work/linux" "$work/windows"
  cp "$top/examples/routes/from-gpx/$route" "$work/linux/"
  cp "$top/examples/routes/from-gpx/$route" "$work/windows/"
  XDG_CONFIG_HOME="$work/config" "$native" export "$work/linux/$route" "${arguments[@]}" >/dev/null
  "$top/tools/wine-run" "$windows" export "$work/windows/$route" "${arguments[@]}" >/dev/null
  for format in csv json; do
    profile=(profile --tiles "$top/examples/tiles" --locations "$top/examples/Locations.txt" --format "$format")
    "$native" "${profile[@]}" "$work/linux/$route" >"$work/linux/$name.$format"
    "$top/tools/wine-run" "$windows" "${profile[@]}" "$work/windows/$route" >"$work/windows/$name.$format"
  done
  for output in txt bmp png csv json; do
    if cmp -s "$work/linux/$name.$output" "$work/windows/$name.$output"; then
      echo "same bytes: $name.$output"
    else
      echo "DIFFERENT: $name.$output (Linux and Windows builds)"
      status=1
    fi
  done
done
exit $status
