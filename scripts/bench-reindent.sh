#!/bin/bash
# Measures "qmate reindent -i" on generated Clipper files of 250,000 and 1,000,000 lines:
# wall time (best of RUNS), peak memory against the file's size, and how the time grows
# when the file is four times longer.
#
# Usage: scripts/bench-reindent.sh [BUILD_DIR] [RUNS]
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
RUNS="${2:-3}"
QMATE="$BUILD/qmate"
WORK="${BENCH_TMP:-$BUILD/bench-tmp}"

if [ ! -x "$QMATE" ]; then
  echo "bench-reindent: $QMATE not found; build the qmate target first" >&2
  exit 2
fi
if [ ! -x /usr/bin/time ]; then
  echo "bench-reindent: /usr/bin/time is needed (package 'time')" >&2
  exit 2
fi
mkdir -p "$WORK"

# Prints "SECONDS KILOBYTES" for the best of RUNS runs on fresh copies of $1.
measure() {
  local source="$1" best_wall="" best_rss=""
  for _ in $(seq "$RUNS"); do
    cp "$source" "$WORK/copy.prg"
    /usr/bin/time -v "$QMATE" reindent -i "$WORK/copy.prg" 2>"$WORK/time.txt" >/dev/null
    local wall rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
      n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' \
      "$WORK/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/time.txt")
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN {exit !(a < b)}'; then
      best_wall="$wall"
      best_rss="$rss"
    fi
  done
  echo "$best_wall $best_rss"
}

declare -A WALL
for lines in 250000 1000000; do
  file="$WORK/gen-$lines.prg"
  [ -f "$file" ] || python3 "$ROOT/bench/gen_clipper.py" "$lines" "$file"
  bytes=$(stat -c %s "$file")
  read -r wall rss < <(measure "$file")
  WALL[$lines]="$wall"
  awk -v l="$lines" -v b="$bytes" -v w="$wall" -v r="$rss" 'BEGIN {
    printf "%8d lines  %6.1f MB  wall %6.3f s  peak RSS %7.1f MB  (%.2f x file size)\n",
      l, b / 1048576, w, r / 1024, r * 1024 / b }'
done
awk -v a="${WALL[250000]}" -v b="${WALL[1000000]}" 'BEGIN {
  printf "4x lines cost %.2f x the time\n", (a > 0 ? b / a : 0) }'
rm -f "$WORK/copy.prg" "$WORK/time.txt"
