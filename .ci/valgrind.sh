#!/usr/bin/env bash
# Runs the command-line golden tests once with the qmate tool under valgrind: any memory
# error or leak makes valgrind exit 1 and print its report on stderr, which fails the case.
# Usage: .ci/valgrind.sh [QMATE]   (default: build/qmate, built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
QMATE=${1:-build/qmate}
if ! command -v valgrind >/dev/null; then
  echo "valgrind.sh: valgrind is not installed" >&2
  exit 2
fi
if [ ! -x "$QMATE" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j 2 --target qmate
  QMATE=build/qmate
fi
echo "== golden tests under valgrind"
QMATE_WRAP="valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite -q" \
  bash tests/golden/run.sh "$QMATE" .
