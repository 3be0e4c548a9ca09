#!/usr/bin/env bash
# Runs one window test program under wine inside a virtual X server.
#
# Wine ties a prefix's desktop to the display of the process that started it;
# a prefix already in use by tests without a display has no usable desktop.
# So the window tests get a prefix of their own (inside the run's prefix, so
# it goes away with it), and its wine server is stopped afterwards because
# its desktop belongs to a display that is about to disappear.
set -u
source_dir=$1
shift
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/tolmaric-wine-$(id -u)}/gui"
mkdir -p "$WINEPREFIX"
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1024x768x24" "$source_dir/tools/wine-run" "$@"
status=$?
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
exit $status
