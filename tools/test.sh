#!/usr/bin/env bash
# The whole test run, as CI does it: install what is missing, build the three
# builds (native, sanitizers, Windows) and run every test of each.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" -eq 0 ]; then tools/install-deps.sh; fi
jobs=$(nproc 2>/dev/null || echo 2)

# A fresh wine prefix for this run, removed at the end.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tolmaric-wine.XXXXXX")
export WINEPREFIX
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT

status=0
for build in native asan win32; do
  echo "== build $build"
  tools/build.sh "$build"
  if [ "$build" = win32 ]; then
    # Boot the prefix once, before parallel tests could race to do it.
    WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  echo "== test $build"
  ctest --test-dir "build/$build" --output-on-failure -j "$jobs" </dev/null || status=1
done
echo "== compare the outputs of the Linux and Windows builds"
tools/compare-builds.sh || status=1
[ $status -eq 0 ] && echo "== all tests passed" || echo "== some tests FAILED"
exit $status
