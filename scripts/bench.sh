#!/usr/bin/env bash
# Benchmarks, printing figures (nothing here passes or fails on speed):
#  1. qmate_bench (Google Benchmark: spelling, scanning, the commands in process), if built;
#  2. the qmate tool against the plain Unix tools as yardsticks, measured in the same run
#     (scripts/bench-reindent.sh: the re-indent, the annotator, the navigator's list, --diff,
#     a whole tree with --check).
# Usage: scripts/bench.sh [BUILD_DIR]
#   BENCH_FILTER a --benchmark_filter for qmate_bench (default all)
#   and the settings of scripts/bench-reindent.sh (BENCH_RUNS, BENCH_LINES, ...)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac

if [ -x "$BUILD/qmate_bench" ]; then
  echo "== qmate_bench (Google Benchmark)"
  "$BUILD/qmate_bench" --benchmark_filter="${BENCH_FILTER:-.}" --benchmark_min_time=0.1 ||
    echo "qmate_bench failed"
else
  echo "== qmate_bench not built (needs libbenchmark-dev); skipped"
fi
echo
bash "$ROOT/scripts/bench-reindent.sh" "$BUILD"
