#!/usr/bin/env bash
# Builds the 32-bit plug-in and its Windows test host with MinGW-w64 and runs the test host
# under Wine: the scenarios through the five exports, then every command on the sample files
# through the real library, compared byte for byte with what the native build produces, and
# the golden tests of the command-line tool on the 32-bit qmate.exe. Then
# scripts/test-windows-cli.sh tests the 64-bit qmate.exe (build $QMATE_WIN64_BUILD or
# build-win64).
#   scripts/test-windows.sh [WIN_BUILD [NATIVE_BUILD]]
# WIN_BUILD defaults to build-win (the Wine prefix lives in WIN_BUILD/wineprefix); the native
# build defaults to $QMATE_NATIVE_BUILD or build. Where the kernel runs no 32-bit programs,
# Wine runs under qemu (scripts/wine-run.sh); the first line says which way it runs. Skips
# with a notice when the cross compiler or Wine is missing (fails instead when CI is set);
# fails on any failed check.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-win}
native=${2:-${QMATE_NATIVE_BUILD:-build}}

# Says why the tests cannot run: in CI that is a failure, elsewhere a loud skip.
cannot_run() {
  if [ -n "${CI:-}" ]; then
    echo "test-windows: FAILED: $1" >&2
    exit 1
  fi
  echo "test-windows: SKIPPED: $1"
  exit 0
}

# First: how 32-bit Wine will run here (natively, or under qemu where the kernel runs no
# 32-bit programs).
if ! command -v i686-w64-mingw32-g++ >/dev/null 2>&1; then
  cannot_run "no MinGW-w64 cross compiler (i686-w64-mingw32-g++); run make deps"
fi
wine_mode=$(bash scripts/wine-run.sh probe) || cannot_run "$wine_mode"
case $wine_mode in
native) echo "test-windows: 32-bit programs run natively: Wine runs directly" ;;
emulated)
  why="this kernel runs no 32-bit programs"
  [ "${QMATE_WINE_EMULATE:-0}" = 1 ] && why="QMATE_WINE_EMULATE=1"
  echo "test-windows: $why: Wine runs under qemu-i386-static in a private namespace"
  ;;
esac
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2
dll="$build/qmate.dll"
host="$build/tests/windows/qmate_winhost.exe"

# The exports and imports as the host's loader sees them.
objdump=i686-w64-mingw32-objdump
if command -v "$objdump" >/dev/null 2>&1; then
  exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && NF == 0 {on=0} on {print $NF}' | sort | tr '\n' ' ')
  imports=$("$objdump" -p "$dll" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')
  echo "test-windows: qmate.dll exports: $exports"
  echo "test-windows: qmate.dll imports: $imports"
  if [ "$exports" != "Configure GetMinFarVersion GetPluginInfo OpenPlugin SetStartupInfo " ]; then
    echo "test-windows: FAILED: qmate.dll must export exactly the five entry points" >&2
    exit 1
  fi
fi

# Expected outputs from the native build, and the job list for the test host.
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" -j 2 --target qmate
qmate="$native/qmate"
work="$root/$build/windows-jobs"
rm -rf "$work"
mkdir -p "$work/setup" "$work/expected" "$work/actual"
cp dist/setup/Keywords.dat dist/setup/Replace.dat "$work/setup/"

winpath() { # an absolute Linux path as Wine's Z: drive shows it
  local p=$1
  printf 'Z:%s' "${p//\//\\}"
}

jobs="$work/jobs.txt"
: >"$jobs"
count=0
add_job() { # VERB LINES CURSOR SETTINGS INPUT
  local verb=$1 lines=$2 cursor=$3 settings=$4 input=$5
  count=$((count + 1))
  local name
  name="$(printf '%03d' "$count")-$verb-$(basename "$input")"
  local args=("$verb" --setup "$work/setup")
  [ "$lines" != - ] && args+=(--lines "$lines")
  [ "$cursor" != - ] && args+=(--cursor "$cursor")
  [ "$verb" = procs ] && args+=(--menu)
  if [ "$settings" != - ]; then
    local pair
    for pair in ${settings//,/ }; do args+=(--set "$pair"); done
  fi
  local expected="$work/expected/$name"
  if ! "$qmate" "${args[@]}" "$input" >"$expected" 2>"$expected.err"; then
    echo "test-windows: FAILED: native qmate ${args[*]} $input:" >&2
    cat "$expected.err" >&2
    exit 1
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$verb" "$lines" "$cursor" "$settings" \
    "$(winpath "$input")" "$(winpath "$expected")" "$(winpath "$work/actual/$name")" >>"$jobs"
}

all_settings=GlobalTab=1,MainTab=2,FuncTab=1,TextFuncTab=4,Tab=3,Comments=0,SplitLineTab=4
odd_settings=Tab=8,Comments=-3,SplitLineTab=0,TextFuncTab=0
modern_settings=Style=Modern,Tab=3,TextFuncTab=3
modern_options=Style=Modern,CaseIndent=1,BlankLines=2,KeepContinuation=0,KeepColumn0Comments=0,ReturnAtHeader=1,DialogBlocks=1,FlatSequence=1,ClassBody=6,RoutineBody=1
# The options that follow the author's habits, by routine and by block, with tabs.
modern_habits=Style=Modern,Steps=Block,CaseIndent=2,RoutineBody=3,Directives=Written,IndentWith=Tabs,TabWidth=4,KeepOpeners=1
modern_routine=Style=Modern,Steps=Routine,Directives=Code,TabWidth=3
# A large file made of the samples, so that a pass through the library is seen to stay linear.
big="$work/large.prg"
for _ in $(seq 400); do cat tests/windows/cases/blocks.prg tests/windows/cases/verbatim.prg; done >"$big"
shopt -s nullglob
for input in "$root"/samples/*.prg "$root"/tests/windows/cases/*.prg "$root"/tests/windows/cases/*.ch; do
  # Editor lines: every line ends at a LF, and the text after the last one is a line too.
  n=$(($(tr -cd '\n' <"$input" | wc -c) + 1))
  half=$((n / 2 > 2 ? n / 2 : 2))
  add_job reindent - - - "$input"
  add_job reindent - - "$all_settings" "$input"
  add_job reindent - - "$odd_settings" "$input"
  add_job reindent "3-$half" "3:4" - "$input"
  add_job reindent "2-$n" "2:0" "$all_settings" "$input"
  add_job annotate - - - "$input"
  add_job annotate "2-$half" - - "$input"
  add_job comment "2-$half" - - "$input"
  add_job uncomment "1-$n" - - "$input"
  add_job procs - "$half:0" - "$input"
  add_job procs - - - "$input"
  add_job reindent - - "$modern_settings" "$input"
  add_job reindent - - "$modern_options" "$input"
  add_job reindent - - "$modern_habits" "$input"
  add_job reindent - - "$modern_routine" "$input"
  add_job reindent "3-$half" "3:4" "$modern_settings" "$input"
  add_job annotate - - "$modern_settings" "$input"
  add_job procs - - "$modern_settings" "$input"
done
add_job reindent - - - "$big"
add_job reindent 2-40000 1:2 "$all_settings" "$big"
add_job annotate - - - "$big"
add_job reindent - - "$modern_settings" "$big"
echo "test-windows: $count jobs on the sample files, expected outputs from $qmate"

export WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
log="$work/winhost.log"
status=0
# The library as make dist ships it: stripped of its symbols, the code as built.
tested="$work/qmate.dll"
cp "$dll" "$tested"
if command -v i686-w64-mingw32-strip >/dev/null 2>&1; then
  i686-w64-mingw32-strip "$tested"
fi
# One wineserver for the prefix set-up and the test host: under emulation each Wine start
# costs about a minute, so Wine is started as few times as possible.
[ "$wine_mode" = emulated ] && slow=4 || slow=1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: creating the Wine prefix $WINEPREFIX (first start, slow)"
fi
# The same server runs the golden tests of the command-line tool on the 32-bit qmate.exe
# (tests/golden, the outputs the native tool gives), one start of qmate.exe per case. A batch
# file would not spare starts: Wine makes each program cmd starts a process of its own, which
# under emulation costs a minute or more, so there two cases run (reading, and writing in
# place) unless QMATE_GOLDEN32_ALL=1.
golden32="$work/golden32"
golden_cases=()
if [ "$wine_mode" = emulated ] && [ "${QMATE_GOLDEN32_ALL:-0}" != 1 ]; then
  golden_cases=(reindent-demo-shipped reindent-inplace)
fi
QMATE_GOLDEN_BATCH=write QMATE_GOLDEN_WORK="$golden32" bash tests/golden/run.sh "$build/qmate.exe" \
  "$root" ${golden_cases[@]+"${golden_cases[@]}"} >/dev/null
WINE_PREFIX_TIMEOUT=$((300 * slow)) WINE_HOST_TIMEOUT=$((900 * slow)) \
  GOLDEN_SCRIPT="$golden32/cases.sh" GOLDEN_TIME="$golden32/seconds" \
  bash scripts/wine-run.sh "$wine_mode" bash -c '
    [ -f "$WINEPREFIX/system.reg" ] || timeout "$WINE_PREFIX_TIMEOUT" wineboot -i >/dev/null 2>&1 || true
    status=0
    timeout "$WINE_HOST_TIMEOUT" wine "$@" || status=$?
    start=$(date +%s)
    timeout "$WINE_HOST_TIMEOUT" bash "$GOLDEN_SCRIPT" >/dev/null 2>&1 || true
    echo $(($(date +%s) - start)) >"$GOLDEN_TIME"
    exit $status' wine-host \
  "$host" --dll "$(winpath "$tested")" --dist "$(winpath "$root/dist")" \
  --jobs "$(winpath "$jobs")" >"$log" 2>"$work/wine.err" || status=$?
tr -d '\r' <"$log" | grep -v '^$' || true
summary=$(tr -d '\r' <"$log" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1 || true)
if [ -z "$summary" ]; then
  echo "test-windows: FAILED: the test host did not finish under Wine (status $status):" >&2
  head -20 "$work/wine.err" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  # Show how the outputs differ, for the jobs that failed.
  for expected in "$work"/expected/*; do
    case $expected in *.err) continue ;; esac
    actual="$work/actual/$(basename "$expected")"
    if [ -f "$actual" ] && ! cmp -s "$expected" "$actual"; then
      echo "--- native $(basename "$expected")  +++ qmate.dll"
      diff -a "$expected" "$actual" | head -20 || true
    fi
  done
  echo "test-windows: FAILED ($summary)" >&2
  exit 1
fi
golden_result=$(QMATE_GOLDEN_BATCH=check QMATE_GOLDEN_WORK="$golden32" bash tests/golden/run.sh \
  "$build/qmate.exe" "$root" ${golden_cases[@]+"${golden_cases[@]}"}) || {
  echo "$golden_result"
  echo "test-windows: FAILED: the 32-bit qmate.exe differs from the golden outputs" >&2
  exit 1
}
echo "test-windows: the 32-bit qmate.exe passes the golden tests ($(echo "$golden_result" | tail -1), $(cat "$golden32/seconds" 2>/dev/null || echo '?') s under Wine)"
echo "test-windows: passed ($wine_mode Wine)"
echo "$summary"
# The command-line tool as qmate.exe, under 64-bit Wine.
bash scripts/test-windows-cli.sh "${QMATE_WIN64_BUILD:-build-win64}" "$native"
