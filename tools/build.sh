#!/usr/bin/env bash
# Configures and builds one of the project's builds into build/<name>:
#   native   g++, Release with debug info, benchmarks
#   asan     clang++, AddressSanitizer + UndefinedBehaviorSanitizer, fuzz targets
#   win32    mingw-w64 i686, tests run under wine
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
name=${1:-native}
jobs=$(nproc 2>/dev/null || echo 2)
case "$name" in
  native) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DTOLMARIC_BENCH=ON) ;;
  asan)   args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTOLMARIC_SANITIZE=ON -DTOLMARIC_FUZZ=ON) ;;
  win32)  args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake") ;;
  *) echo "usage: tools/build.sh native|asan|win32" >&2; exit 2 ;;
esac
cmake -S "$top" -B "$top/build/$name" "${args[@]}" >/dev/null
cmake --build "$top/build/$name" -j "$jobs"
