#!/usr/bin/env bash
# Builds the fuzz targets (clang++, libFuzzer, ASan + UBSan) and runs each for a bounded
# time. Fails when any target reports a finding (crash, sanitizer report, broken invariant,
# leak, time-out or memory blow-up); the reproducer is kept in $FUZZ_BUILD/findings/.
#   FUZZ_SECONDS  seconds per target (default 60)
#   FUZZ_TARGETS  the targets to run (default: commands words profile dialog args lsp)
#   FUZZ_BUILD    build folder (default: build-fuzz)
#   FUZZ_JOBS     parallel build jobs (default 2)
set -u
cd "$(dirname "$0")/.."
ROOT=$(pwd)
SECONDS_EACH=${FUZZ_SECONDS:-60}
TARGETS=${FUZZ_TARGETS:-"commands words profile dialog args lsp"}
BUILD=${FUZZ_BUILD:-build-fuzz}
JOBS=${FUZZ_JOBS:-2}
CXX_FUZZ=${FUZZ_CXX:-clang++}

if ! command -v "$CXX_FUZZ" >/dev/null; then
  echo "fuzz: $CXX_FUZZ not found (apt-get install clang)" >&2
  exit 2
fi
cmake -S fuzz -B "$BUILD" -DCMAKE_CXX_COMPILER="$CXX_FUZZ" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >/dev/null || exit 2
cmake --build "$BUILD" -j "$JOBS" >"$BUILD/build.log" 2>&1 || {
  tail -40 "$BUILD/build.log" >&2
  echo "fuzz: build failed" >&2
  exit 2
}

# Seed corpora, made afresh from the sample programs and the shipped files.
SEEDS="$BUILD/seeds"
rm -rf "$SEEDS"
mkdir -p "$SEEDS"/{commands,words,profile,dialog,args,lsp}
N=0
for F in samples/*.prg samples/*.ch samples/*.PRG tests/golden/inputs/*; do
  [ -f "$F" ] || continue
  N=$((N + 1))
  # The whole sample, and its first 4 KB (the tail bytes choose command and settings).
  cp "$F" "$SEEDS/commands/sample$N"
  head -c 4096 "$F" >"$SEEDS/commands/head$N"
done
printf 'FUNCTION Main()\r\n  LOCAL x := 1\r\n  IF x > 0\r\n    ? x\r\n  ENDIF\r\nRETURN NIL\r\n' \
  >"$SEEDS/commands/small"
printf 'PROCEDURE P\nDO CASE\nCASE a\nx := a + ;\n  b\nOTHERWISE\nTEXT\n  raw\nENDTEXT\nENDCASE\n' \
  >"$SEEDS/commands/cases"
# Word tables: Keywords.dat and Replace.dat with backslashes doubled, each ended by "\x".
Escape() { sed 's/\\/\\\\/g' "$1"; }
if [ -f dist/setup/Keywords.dat ]; then
  { Escape dist/setup/Keywords.dat; printf '\\x'; Escape dist/setup/Replace.dat; printf '\\x';
    printf 'function\nEndIf\nRETU\nqout\nzzz\n'; } >"$SEEDS/words/shipped"
fi
printf 'ENDIF\nFUNCTION\nIF\nNEXT\\x;c\nIIF        Iif\nmyvar      MyVar\n\\xendif\niif\nmyVAR\nfunc\n' \
  >"$SEEDS/words/small"
printf '[Settings]\r\nGlobalTab=0\r\nMainTab=0\r\nTab=2\r\nFuncTab=0\r\nTextFuncTab=2\r\nComments=-1\r\nSplitLineTab=-1\r\n' \
  >"$SEEDS/profile/fresh"
printf '; my settings\n[Other]\nTab=7\n\n[settings]\n tab = 4 \nComments=-3\n[Last]\nx=1' \
  >"$SEEDS/profile/mixed"
for T in '05' ' 7' '+3' '-3' '$7F' '0x10' 'X1f' '-2147483648' '2147483647' 'a' ''; do
  printf '%s' "$T" >"$SEEDS/dialog/text$((N = N + 1))"
done
printf 'reindent\0--set\0Tab=3\0--lines\0002-5\0--cursor\0003:0\0-i\0a.prg' >"$SEEDS/args/reindent"
printf 'procs\0--menu\0--setup\0/tmp\0--assume-filename\0x.prg\0-' >"$SEEDS/args/procs"
printf 'comment\0--lines\0001-2\0--diff\0--\0-x.prg' >"$SEEDS/args/comment"
# Language server sessions: a piece size, then framed messages.
Frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
LspUri='"textDocument":{"uri":"file:///w/a.prg"'
{ printf '\x07'
  Frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
  Frame '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{'"$LspUri"',"text":"function f\nif x\n? 1\nendif\n"}}}'
  Frame '{"jsonrpc":"2.0","method":"textDocument/didChange","params":{'"$LspUri"'},"contentChanges":[{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":2}},"text":"while"}]}}'
  Frame '{"jsonrpc":"2.0","id":2,"method":"textDocument/formatting","params":{'"$LspUri"'}}}'
  Frame '{"jsonrpc":"2.0","id":3,"method":"textDocument/rangeFormatting","params":{'"$LspUri"'},"range":{"start":{"line":1,"character":2},"end":{"line":3,"character":0}}}}'
  Frame '{"jsonrpc":"2.0","id":4,"method":"textDocument/documentSymbol","params":{'"$LspUri"'}}}'
  Frame '{"jsonrpc":"2.0","id":5,"method":"workspace/executeCommand","params":{"command":"qmate.comment","arguments":["file:///w/a.prg",{"start":{"line":0,"character":0},"end":{"line":2,"character":0}}]}}'
  Frame '{"jsonrpc":"2.0","id":6,"method":"shutdown"}'
} >"$SEEDS/lsp/session"

# Inputs that once found a fault stay among the seeds.
for D in fuzz/regressions/*/; do
  [ -d "$D" ] || continue
  T=$(basename "$D")
  mkdir -p "$SEEDS/$T"
  cp "$D"* "$SEEDS/$T/" 2>/dev/null || true
done

mkdir -p "$BUILD/findings" "$BUILD/corpus"
FAILED=0
SUMMARY=""
for T in $TARGETS; do
  BIN="$BUILD/fuzz_$T"
  [ -x "$BIN" ] || { echo "fuzz: no target $T" >&2; FAILED=1; continue; }
  CORPUS="$BUILD/corpus/$T"
  mkdir -p "$CORPUS"
  LOG="$BUILD/fuzz_$T.log"
  echo "== fuzz_$T for ${SECONDS_EACH}s"
  (cd "$BUILD/findings" &&
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$ROOT/$BIN" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=1536 \
      -malloc_limit_mb=512 -max_len=16384 -print_final_stats=1 -artifact_prefix="fuzz_$T-" \
      "$ROOT/$CORPUS" "$ROOT/$SEEDS/$T") >"$LOG" 2>&1
  RC=$?
  RUNS=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$LOG" | grep -o '[0-9]*$' | tail -1)
  RUNS=${RUNS:-?}
  if [ $RC -ne 0 ]; then
    FAILED=1
    echo "fuzz_$T: FINDING after $RUNS executions (log: $LOG)"
    grep -E 'INVARIANT BROKEN|ERROR: |runtime error|SUMMARY|Test unit written' "$LOG" | head -8
    SUMMARY="$SUMMARY\nfuzz_$T: $RUNS executions, FINDING"
  else
    echo "fuzz_$T: $RUNS executions, no finding"
    SUMMARY="$SUMMARY\nfuzz_$T: $RUNS executions, clean"
  fi
done
printf "%b\n" "$SUMMARY"
exit $FAILED
