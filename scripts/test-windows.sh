#!/usr/bin/env bash
# Builds the 32-bit plug-in and its Windows test host with MinGW-w64 and runs the test host
# under Wine: the scenarios through the five exports, then every command on the sample files
# through the real library, compared byte for byte with what the native build produces, and
# the golden tests of the command-line tool on the 32-bit qmate.exe. The same host then plays
# Far 3 for qmate3.dll, x86 under 32-bit Wine and x64 (built in $QMATE_WIN64_BUILD or
# build-win64) under 64-bit Wine: its scenarios and the same jobs, each file held in its code
# page (UTF-8 and 1251 by name, 866 otherwise). Then scripts/test-windows-cli.sh tests the
# 64-bit qmate.exe.
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
build64=${QMATE_WIN64_BUILD:-build-win64}

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
# qmate3.dll's Far 3 exports, for each architecture built.
far3_exports() { # OBJDUMP DLL
  "$1" -p "$2" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && NF == 0 {on=0} on {print $NF}' | sort | tr '\n' ' '
}
check_far3_exports() { # OBJDUMP DLL
  command -v "$1" >/dev/null 2>&1 || return 0
  local found
  found=$(far3_exports "$1" "$2")
  echo "test-windows: $2 exports: $found"
  if [ "$found" != "ConfigureW GetGlobalInfoW GetPluginInfoW OpenW SetStartupInfoW " ]; then
    echo "test-windows: FAILED: $2 must export exactly the five Far 3 entry points" >&2
    exit 1
  fi
}
check_far3_exports "$objdump" "$build/qmate3.dll"

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

job_path() { winpath "$1"; }
# shellcheck source=scripts/plugin-jobs.sh
source scripts/plugin-jobs.sh
echo "test-windows: $count jobs on the sample files, expected outputs from $qmate"
# The same jobs for qmate3.dll, each architecture writing its own outputs; its distribution
# folder holds the Far 3 language and help files the build made.
far3_jobs() { # ARCH: the job file for that run
  local arch=$1
  mkdir -p "$work/actual-far3-$arch"
  sed "s/\\\\actual\\\\/\\\\actual-far3-$arch\\\\/" "$jobs" >"$work/jobs-far3-$arch.txt"
  echo "$work/jobs-far3-$arch.txt"
}
far3_dist="$work/far3-dist"
mkdir -p "$far3_dist/setup"
cp "$build"/far3/qmateEng.lng "$build"/far3/qmateRus.lng "$build"/far3/qmateEng.hlf \
  "$build"/far3/qmateRus.hlf "$far3_dist/"
cp dist/setup/Keywords.dat dist/setup/Replace.dat "$far3_dist/setup/"
jobs32=$(far3_jobs x86)

export WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
log="$work/winhost.log"
status=0
# The library as make dist ships it: stripped of its symbols, the code as built.
tested="$work/qmate.dll"
tested3="$work/x86/qmate3.dll"
mkdir -p "$work/x86"
cp "$dll" "$tested"
cp "$build/qmate3.dll" "$tested3"
if command -v i686-w64-mingw32-strip >/dev/null 2>&1; then
  i686-w64-mingw32-strip "$tested" "$tested3"
fi
log3="$work/winhost-far3-x86.log"
# One wineserver for the prefix set-up and the test host: under emulation each Wine start
# costs about a minute, so Wine is started as few times as possible.
[ "$wine_mode" = emulated ] && slow=4 || slow=1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: creating the Wine prefix $WINEPREFIX (first start, slow)"
fi
# The same server runs the test host a second time for the 32-bit qmate3.dll (its log apart),
# then the golden tests of the command-line tool on the 32-bit qmate.exe
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
  FAR3_DLL="$(winpath "$tested3")" FAR3_DIST="$(winpath "$far3_dist")" \
  FAR3_JOBS="$(winpath "$jobs32")" FAR3_LOG="$log3" \
  bash scripts/wine-run.sh "$wine_mode" bash -c '
    [ -f "$WINEPREFIX/system.reg" ] || timeout "$WINE_PREFIX_TIMEOUT" wineboot -i >/dev/null 2>&1 || true
    status=0
    timeout "$WINE_HOST_TIMEOUT" wine "$@" || status=$?
    timeout "$WINE_HOST_TIMEOUT" wine "$1" --dll "$FAR3_DLL" --dist "$FAR3_DIST" \
      --jobs "$FAR3_JOBS" >"$FAR3_LOG" 2>&1 || true
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

# One run of the test host for qmate3.dll: its log's failures and closing count, then the
# outputs that differ from the native build's.
far3_report() { # ARCH LOG
  local arch=$1 log=$2 result
  tr -d '\r' <"$log" | grep -E '^FAIL' | head -40 || true
  result=$(tr -d '\r' <"$log" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1 || true)
  if [ -z "$result" ]; then
    echo "test-windows: FAILED: the Far 3 test host ($arch) did not finish:" >&2
    head -20 "$log" >&2
    exit 1
  fi
  if [ "${result#* passed, }" != "0 failed" ]; then
    for expected in "$work"/expected/*; do
      case $expected in *.err) continue ;; esac
      actual="$work/actual-far3-$arch/$(basename "$expected")"
      if [ -f "$actual" ] && ! cmp -s "$expected" "$actual"; then
        echo "--- native $(basename "$expected")  +++ qmate3.dll ($arch)"
        diff -a "$expected" "$actual" | head -20 || true
      fi
    done
    echo "test-windows: FAILED: qmate3.dll ($arch): $result" >&2
    exit 1
  fi
  echo "test-windows: qmate3.dll ($arch) passed its scenarios and the jobs: $result"
}
far3_report x86 "$log3"

# The 64-bit qmate3.dll under 64-bit Wine, with a test host built for x64.
wine64=$(command -v wine64 || true)
[ -n "$wine64" ] || wine64=/usr/lib/wine/wine64
if ! command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 || [ ! -x "$wine64" ]; then
  cannot_run "no MinGW-w64 x64 cross compiler or no 64-bit Wine for the x64 qmate3.dll"
fi
cmake -S . -B "$build64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build64" -j 2 --target qmate3 qmate_winhost
check_far3_exports x86_64-w64-mingw32-objdump "$build64/qmate3.dll"
mkdir -p "$work/x64"
tested64="$work/x64/qmate3.dll"
cp "$build64/qmate3.dll" "$tested64"
command -v x86_64-w64-mingw32-strip >/dev/null 2>&1 && x86_64-w64-mingw32-strip "$tested64"
jobs64=$(far3_jobs x64)
log64="$work/winhost-far3-x64.log"
server64=$(command -v wineserver64 || true)
[ -n "$server64" ] || server64=$(dirname "$wine64")/wineserver64
[ -x "$server64" ] || server64=wineserver
(
  export WINEPREFIX="$root/$build64/wineprefix" WINELOADER="$wine64"
  mkdir -p "$WINEPREFIX"
  [ -f "$WINEPREFIX/system.reg" ] || timeout 300 "$wine64" wineboot -i >/dev/null 2>&1 || true
  "$server64" -p >/dev/null 2>&1 || true
  timeout 900 "$wine64" "$build64/tests/windows/qmate_winhost.exe" --dll "$(winpath "$tested64")" \
    --dist "$(winpath "$far3_dist")" --jobs "$(winpath "$jobs64")" >"$log64" 2>&1 || true
  "$server64" -k >/dev/null 2>&1 || true
)
far3_report x64 "$log64"
# The command-line tool as qmate.exe, under 64-bit Wine.
bash scripts/test-windows-cli.sh "${QMATE_WIN64_BUILD:-build-win64}" "$native"
