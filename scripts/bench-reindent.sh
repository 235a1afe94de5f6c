#!/usr/bin/env bash
# The tool against the plain Unix tools that do the least work of the same kind, measured in
# the same run, so the ratios mean the same on any machine. Each row runs the tool and its
# yardstick one after the other, RUNS times, and prints the medians of the CPU time (user +
# system) and of the wall time, their ratios, and the tool's peak memory over the file's size.
# Nothing here passes or fails; the target column says what each ratio is meant to stay under.
#
# Rows (shipped word files, a generated file of 1,000,000 lines, about 24 MB):
#   reindent -i            against sed 's/^[[:space:]]*//' FILE > OUT (rewrites every line)
#   reindent -i            against reindent --no-verify -i (the guard's cost: the re-read of
#                          both texts that proves the program unchanged)
#   annotate -i            against the same sed
#   procs                  against the same sed, and against wc -l (reads only)
#   reindent --set Style=Modern -i   against the Classic reindent -i (when the setting exists)
#   reindent Modern on nested #ifdef branches holding IFs (bench/gen_nested.py cond)
#                          against the Classic reindent of the same file: peak memory over
#                          the file's size, both shown
#   infer, reindent --infer   on a deeply nested file (bench/gen_nested.py if) and on a long
#                          generated file, against the Modern reindent of the same file
#   lsp (a session formatting the file, or 100 of its lines)   against reindent FILE > OUT
#   reindent --diff        on a file of about 50 MB, against diff -u of the file and its
#                          re-indented copy, and against reindent -i of the same file
#   reindent --check       over Harbour's tree (the folder HARBOUR walked, in one call, its
#                          files on all cores), against cat of every .prg and .ch under it
#                          (target: under 1 s of wall time)
#   reindent --infer --check   over the same tree (settings inferred for each file) against
#                          reindent --set Style=Modern --check of it
#   infer                  over HARBOUR/src (one set of settings for all its files) against
#                          reindent --check of the same folder (target: under 10 s of wall time)
#
# Usage: scripts/bench-reindent.sh [BUILD_DIR]
#   BENCH_RUNS   runs per row, the median is shown (default 5)
#   BENCH_LINES  lines of the generated file (default 1000000)
#   BENCH_DIFF_LINES  lines of the --diff file (default 2100000, about 50 MB; 0 skips the row)
#   BENCH_DEPTH  nesting of the deep files (default 20000)
#   BENCH_INFER_LINES  lines of the long file infer reads (default 200000, about 5 MB)
#   HARBOUR      a Harbour checkout (default /work/ext/harbour; skipped when absent)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
RUNS=${BENCH_RUNS:-5}
LINES=${BENCH_LINES:-1000000}
DIFF_LINES=${BENCH_DIFF_LINES:-2100000}
HARBOUR=${HARBOUR:-/work/ext/harbour}
DEPTH=${BENCH_DEPTH:-20000}
INFER_LINES=${BENCH_INFER_LINES:-200000}
QMATE="$BUILD/qmate"
WORK="${BENCH_TMP:-$BUILD/bench-work}"

if [ ! -x "$QMATE" ]; then
  echo "bench-reindent: $QMATE not found; build the qmate target first" >&2
  exit 2
fi
if [ ! -x /usr/bin/time ]; then
  echo "bench-reindent: /usr/bin/time is needed (package 'time')" >&2
  exit 2
fi
mkdir -p "$WORK/setup"
cp "$ROOT/dist/setup/Keywords.dat" "$ROOT/dist/setup/Replace.dat" "$WORK/setup/"
SETUP="$WORK/setup"

generate() { # LINES FILE: the realistic generated program, made once and kept
  [ -f "$2" ] || python3 "$ROOT/bench/gen_clipper.py" "$1" "$2" 7 >/dev/null
}

# timed OUTFILE CMD...: runs CMD (a shell command line) once under /usr/bin/time and appends
# "CPU WALL KB" to OUTFILE.
timed() {
  local out=$1
  shift
  /usr/bin/time -f "%U %S %e %M" -o "$WORK/time.txt" bash -c "$*" >/dev/null 2>"$WORK/stderr.txt"
  # The last line: time puts a line about a non-zero exit status (--check) before it.
  awk 'END { printf "%.3f %.3f %d\n", $1 + $2, $3, $4 }' "$WORK/time.txt" >>"$out"
}

median() { # FILE COLUMN
  sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

# row NAME TARGET BYTES PREPARE TOOL YARDSTICK: RUNS interleaved pairs; PREPARE runs before
# each of them, untimed. Prints the medians and the ratios.
row() {
  local name=$1 target=$2 bytes=$3 prepare=$4 tool=$5 yard=$6
  rm -f "$WORK/tool.txt" "$WORK/yard.txt"
  for _ in $(seq "$RUNS"); do
    bash -c "$prepare"
    timed "$WORK/tool.txt" "$tool"
    bash -c "$prepare"
    timed "$WORK/yard.txt" "$yard"
  done
  local tc tw tk yc yw yk
  tc=$(median "$WORK/tool.txt" 1)
  tw=$(median "$WORK/tool.txt" 2)
  tk=$(median "$WORK/tool.txt" 3)
  yc=$(median "$WORK/yard.txt" 1)
  yw=$(median "$WORK/yard.txt" 2)
  yk=$(median "$WORK/yard.txt" 3)
  awk -v n="$name" -v t="$target" -v b="$bytes" -v tc="$tc" -v tw="$tw" -v tk="$tk" \
    -v yc="$yc" -v yw="$yw" -v yk="$yk" 'BEGIN {
      cr = yc > 0 ? sprintf("%.2f", tc / yc) : "-"
      wr = yw > 0 ? sprintf("%.2f", tw / yw) : "-"
      mem = b > 0 ? sprintf("%.2f", tk * 1024 / b) : "-"
      ymem = b > 0 ? sprintf("%.2f", yk * 1024 / b) : "-"
      printf "%-34s %6.3f %6.3f %6s | %6.3f %6.3f %6s | %6.1f %5s %5s | %s\n",
        n, tc, yc, cr, tw, yw, wr, tk / 1024, mem, ymem, t }'
}

BIG="$WORK/gen-$LINES.prg"
generate "$LINES" "$BIG"
BYTES=$(stat -c %s "$BIG")
COPY="$WORK/copy.prg"
FRESH="cp '$BIG' '$COPY'"
SED="sed 's/^[[:space:]]*//' '$COPY' > '$WORK/sed.out'"

echo "== qmate against its yardsticks, median of $RUNS interleaved runs"
echo "   generated file: $LINES lines, $BYTES bytes; CPU = user + system seconds"
printf "%-34s %6s %6s %6s | %6s %6s %6s | %6s %5s %5s | %s\n" "row (tool against yardstick)" \
  "cpu" "yard" "ratio" "wall" "yard" "ratio" "MB" "/file" "yard" "target"
row "reindent -i / sed" "ratio <= 1, /file <= 2.5" "$BYTES" "$FRESH" \
  "'$QMATE' reindent --setup '$SETUP' -i '$COPY'" "$SED"
row "reindent -i / --no-verify" "ratio <= 1.1" "$BYTES" "$FRESH" \
  "'$QMATE' reindent --setup '$SETUP' -i '$COPY'" \
  "'$QMATE' reindent --setup '$SETUP' --no-verify -i '$COPY'"
row "annotate -i / sed" "ratio <= 1, /file <= 2.5" "$BYTES" "$FRESH" \
  "'$QMATE' annotate --setup '$SETUP' -i '$COPY'" "$SED"
row "procs / sed" "ratio <= 1, /file <= 2.5" "$BYTES" "$FRESH" \
  "'$QMATE' procs --setup '$SETUP' '$COPY'" "$SED"
row "procs / wc -l" "(reads only; shown)" "$BYTES" "$FRESH" \
  "'$QMATE' procs --setup '$SETUP' '$COPY'" "wc -l '$COPY'"

# Modern rules: measured once the setting exists.
if "$QMATE" settings --setup "$SETUP" --set Style=Modern >/dev/null 2>&1; then
  row "reindent Modern / Classic" "ratio <= 1.5" "$BYTES" "$FRESH" \
    "'$QMATE' reindent --setup '$SETUP' --set Style=Modern -i '$COPY'" \
    "'$QMATE' reindent --setup '$SETUP' -i '$COPY'"
  # Each #if branch starts from the blocks open at its #if: nested branches must not copy them.
  COND="$WORK/nested-cond-$DEPTH.prg"
  [ -f "$COND" ] || python3 "$ROOT/bench/gen_nested.py" cond "$DEPTH" "$COND"
  row "Modern nested #if / Classic" "/file near yard's" "$(stat -c %s "$COND")" "true" \
    "'$QMATE' reindent --setup '$SETUP' --set Style=Modern '$COND' > '$WORK/nested.out'" \
    "'$QMATE' reindent --setup '$SETUP' '$COND' > '$WORK/nested.out'"
else
  echo "reindent Modern / Classic          skipped: this build has no Style=Modern setting"
fi

# Settings inference: the first run's scans replayed, two runs per choice of the options, a
# long text searched over its first lines (infer) or a sample of its routines (reindent --infer).
if "$QMATE" infer --help >/dev/null 2>&1; then
  DEEP="$WORK/nested-if-$DEPTH.prg"
  [ -f "$DEEP" ] || python3 "$ROOT/bench/gen_nested.py" if "$DEPTH" "$DEEP"
  row "infer deep / reindent Modern" "ratio <= 3" "$(stat -c %s "$DEEP")" "true" \
    "'$QMATE' infer --setup '$SETUP' '$DEEP' > '$WORK/infer.out'" \
    "'$QMATE' reindent --setup '$SETUP' --set Style=Modern '$DEEP' > '$WORK/nested.out'"
  LONG="$WORK/gen-$INFER_LINES.prg"
  generate "$INFER_LINES" "$LONG"
  row "infer long / reindent Modern" "ratio <= 3" "$(stat -c %s "$LONG")" "true" \
    "'$QMATE' infer --setup '$SETUP' '$LONG' > '$WORK/infer.out'" \
    "'$QMATE' reindent --setup '$SETUP' --set Style=Modern '$LONG' > '$WORK/nested.out'"
  row "reindent --infer long / Modern" "ratio <= 3" "$(stat -c %s "$LONG")" "true" \
    "'$QMATE' reindent --setup '$SETUP' --infer '$LONG' > '$WORK/infer.out'" \
    "'$QMATE' reindent --setup '$SETUP' --set Style=Modern '$LONG' > '$WORK/nested.out'"
fi
rm -f "$WORK/nested.out"

# The language server: one session that opens the file and formats it whole, or formats 100
# of its lines, against the tool re-indenting the file to standard output.
lsp_session() { # FILE METHOD OUT: the framed messages of one session
  python3 - "$1" "$2" >"$3" <<'PY'
import json, sys
path, method = sys.argv[1], sys.argv[2]
uri = "file://" + path
text = open(path, encoding="utf-8", errors="surrogateescape", newline="").read()
doc = {"uri": uri}
params = {"textDocument": doc, "options": {"tabSize": 2, "insertSpaces": True}}
if method == "textDocument/rangeFormatting":
    params["range"] = {"start": {"line": 1000, "character": 0}, "end": {"line": 1100, "character": 0}}
out = sys.stdout.buffer
for m in [{"id": 1, "method": "initialize", "params": {"capabilities": {}}},
          {"method": "textDocument/didOpen",
           "params": {"textDocument": dict(doc, languageId="clipper", version=1, text=text)}},
          {"id": 2, "method": method, "params": params},
          {"id": 3, "method": "shutdown"}, {"method": "exit"}]:
    body = json.dumps(dict(m, jsonrpc="2.0")).encode("utf-8", "surrogateescape")
    out.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
PY
}
if command -v python3 >/dev/null 2>&1; then
  lsp_session "$BIG" textDocument/formatting "$WORK/lsp-format.in"
  lsp_session "$BIG" textDocument/rangeFormatting "$WORK/lsp-range.in"
  row "lsp format / reindent" "ratio <= 3" "$BYTES" "true" \
    "'$QMATE' lsp --setup '$SETUP' < '$WORK/lsp-format.in' > '$WORK/lsp.out'" \
    "'$QMATE' reindent --setup '$SETUP' '$BIG' > '$WORK/lsp.out'"
  row "lsp 100-line range / reindent" "ratio <= 1" "$BYTES" "true" \
    "'$QMATE' lsp --setup '$SETUP' < '$WORK/lsp-range.in' > '$WORK/lsp.out'" \
    "'$QMATE' reindent --setup '$SETUP' '$BIG' > '$WORK/lsp.out'"
  rm -f "$WORK/lsp-format.in" "$WORK/lsp-range.in" "$WORK/lsp.out"
fi

if [ "$DIFF_LINES" -gt 0 ]; then
  DBIG="$WORK/gen-$DIFF_LINES.prg"
  generate "$DIFF_LINES" "$DBIG"
  DBYTES=$(stat -c %s "$DBIG")
  DONE="$WORK/reindented-$DIFF_LINES.prg"
  if [ ! -f "$DONE" ]; then
    cp "$DBIG" "$DONE"
    "$QMATE" reindent --setup "$SETUP" -i "$DONE"
  fi
  DFRESH="cp '$DBIG' '$COPY'"
  echo "   --diff file: $DIFF_LINES lines, $DBYTES bytes"
  row "reindent --diff / diff -u" "(shown)" "$DBYTES" "true" \
    "'$QMATE' reindent --setup '$SETUP' --diff '$DBIG' > '$WORK/diff.out'" \
    "diff -u '$DBIG' '$DONE' > '$WORK/diff-u.out'"
  row "reindent --diff / reindent -i" "ratio <= 3, /file <= 3" "$DBYTES" "$DFRESH" \
    "'$QMATE' reindent --setup '$SETUP' --diff '$DBIG' > '$WORK/diff.out'" \
    "'$QMATE' reindent --setup '$SETUP' -i '$COPY'"
  rm -f "$WORK/diff.out" "$WORK/diff-u.out"
fi

if [ -d "$HARBOUR" ]; then
  find "$HARBOUR" -type f \( -name '*.prg' -o -name '*.ch' \) | sort >"$WORK/harbour.txt"
  COUNT=$(wc -l <"$WORK/harbour.txt")
  HBYTES=$(xargs -d '\n' cat <"$WORK/harbour.txt" | wc -c)
  echo "   Harbour tree: $COUNT files, $HBYTES bytes"
  row "reindent --check tree / cat" "wall < 1 s" "$HBYTES" "true" \
    "'$QMATE' reindent --setup '$SETUP' --check '$HARBOUR'" \
    "xargs -d '\\n' cat < '$WORK/harbour.txt'"
  row "reindent --infer tree / Modern" "ratio <= 3" "$HBYTES" "true" \
    "'$QMATE' reindent --setup '$SETUP' --infer --check '$HARBOUR'" \
    "'$QMATE' reindent --setup '$SETUP' --set Style=Modern --check '$HARBOUR'"
  if [ -d "$HARBOUR/src" ]; then
    row "infer src / reindent --check src" "wall < 10 s" "$HBYTES" "true" \
      "'$QMATE' infer --setup '$SETUP' '$HARBOUR/src' > '$WORK/infer.out'" \
      "'$QMATE' reindent --setup '$SETUP' --set Style=Modern --check '$HARBOUR/src'"
  fi
else
  echo "reindent --check tree              skipped: no Harbour checkout at $HARBOUR"
fi
rm -f "$COPY" "$WORK/sed.out" "$WORK/time.txt" "$WORK/stderr.txt" "$WORK/infer.out"
echo "(ratio: the tool's median over the yardstick's; /file and yard: the tool's and the"
echo " yardstick's peak memory over the input's size)"
