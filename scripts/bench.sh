#!/usr/bin/env bash
# Benchmarks, printing figures (nothing here passes or fails on speed):
#  1. qmate_bench (Google Benchmark: spelling, scanning, the commands in process), if built;
#  2. the qmate tool on generated Clipper files of 10,000, 100,000 and 1,000,000 lines:
#     "reindent -i", "annotate -i" and "procs", with wall time, lines per second, peak
#     memory (/usr/bin/time -v) and the ratio of the time between one size and the next
#     (10 when the cost is linear).
# Usage: scripts/bench.sh [BUILD_DIR]
#   BENCH_SIZES  line counts (default "10000 100000 1000000")
#   BENCH_RUNS   runs per measure, the best is kept (default 3)
#   BENCH_FILTER a --benchmark_filter for qmate_bench (default all)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
SIZES=${BENCH_SIZES:-"10000 100000 1000000"}
RUNS=${BENCH_RUNS:-3}
QMATE="$BUILD/qmate"
WORK="$BUILD/bench-work"
mkdir -p "$WORK/setup"
cp "$ROOT/dist/setup/Keywords.dat" "$ROOT/dist/setup/Replace.dat" "$WORK/setup/" 2>/dev/null

if [ -x "$BUILD/qmate_bench" ]; then
  echo "== qmate_bench (Google Benchmark)"
  "$BUILD/qmate_bench" --benchmark_filter="${BENCH_FILTER:-.}" --benchmark_min_time=0.2 ||
    echo "qmate_bench failed"
else
  echo "== qmate_bench not built (needs libbenchmark-dev); skipped"
fi

if [ ! -x "$QMATE" ]; then
  echo "bench: $QMATE not found; build it first" >&2
  exit 2
fi
if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is needed (package 'time')" >&2
  exit 2
fi

# A generated file of N lines: the realistic generator when it is there, else a simple one.
generate() {
  local lines=$1 out=$2
  if [ -f "$ROOT/bench/gen_clipper.py" ] && command -v python3 >/dev/null; then
    python3 "$ROOT/bench/gen_clipper.py" "$lines" "$out" 7 >/dev/null
  else
    awk -v n="$lines" 'BEGIN {
      split("FUNCTION F%d()|LOCAL x := 1, a := {}|IF x > 0|FOR i := 1 TO 10|? i, ;|  x|NEXT|ELSE|DO WHILE x < 5|x++|ENDDO|ENDIF|RETURN x|", L, "|")
      for (i = 0; i < n; i++) { printf L[i % 14 + 1], int(i / 14); printf "\r\n" } }' >"$out"
  fi
}

# Runs "qmate VERB ARGS FILE" on a fresh copy RUNS times; prints "SECONDS KILOBYTES" of the
# fastest run.
measure() {
  local file=$1 verb=$2
  shift 2
  local best="" rss=""
  for _ in $(seq "$RUNS"); do
    cp "$file" "$WORK/copy.prg"
    # The wall time from the shell's clock (time -v only has hundredths), the peak memory
    # from time -v.
    local start end wall kb
    start=$(date +%s%N)
    /usr/bin/time -v "$QMATE" "$verb" --setup "$WORK/setup" "$@" "$WORK/copy.prg" \
      >/dev/null 2>"$WORK/time.txt"
    end=$(date +%s%N)
    wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$WORK/time.txt")
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$wall
      rss=$kb
    fi
  done
  echo "$best $rss"
}

echo
echo "== qmate on generated files (best of $RUNS runs; shipped word files)"
printf "%-10s %9s %10s %9s %12s %9s %9s %8s\n" command lines bytes seconds lines/s peak-MB \
  mem/file ratio
for CMD in "reindent -i" "annotate -i" "procs"; do
  PREV_TIME=""
  PREV_LINES=""
  for N in $SIZES; do
    FILE="$WORK/gen-$N.prg"
    [ -f "$FILE" ] || generate "$N" "$FILE"
    BYTES=$(stat -c %s "$FILE")
    read -r -a WORDS <<<"$CMD"
    read -r T KB <<<"$(measure "$FILE" "${WORDS[@]}")"
    RATE=$(awk -v n="$N" -v t="$T" 'BEGIN { if (t > 0) printf "%.0f", n / t; else print "inf" }')
    MB=$(awk -v k="$KB" 'BEGIN { printf "%.1f", k / 1024 }')
    MEM=$(awk -v k="$KB" -v b="$BYTES" 'BEGIN { printf "%.2f", k * 1024 / b }')
    RATIO="-"
    if [ -n "$PREV_TIME" ]; then
      RATIO=$(awk -v a="$T" -v b="$PREV_TIME" -v n="$N" -v m="$PREV_LINES" \
        'BEGIN { if (b > 0) printf "%.1f/%.0f", a / b, n / m; else print "-" }')
    fi
    printf "%-10s %9s %10s %9s %12s %9s %9s %8s\n" "${WORDS[0]}" "$N" "$BYTES" "$T" "$RATE" \
      "$MB" "$MEM" "$RATIO"
    PREV_TIME=$T
    PREV_LINES=$N
  done
done
echo "(ratio: time against the previous size / lines against the previous size;"
echo " equal numbers mean linear cost. mem/file: peak memory over the file's size.)"
