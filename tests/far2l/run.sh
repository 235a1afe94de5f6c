#!/usr/bin/env bash
# The far2l plug-in's tests: its dynamic symbols, then the test host (scenarios, and the job
# list of the Far 1.70 DLL's tests, whose Cyrillic cases the editor holds in UTF-8, 866 and
# 1251 by their names) with every job's expected output from the native tool.
#   tests/far2l/run.sh HOST PLUGIN_FOLDER QMATE WORK
set -eu
host=$1
folder=$2
qmate=$3
work=$4
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"

plugin="$folder/qmate.far-plug-wide"
exports=$(nm -D --defined-only "$plugin" | awk '{print $NF}' | sort | tr '\n' ' ')
echo "far2l: qmate.far-plug-wide exports: $exports"
if [ "$exports" != "ConfigureW GetMinFarVersionW GetPluginInfoW OpenPluginW SetStartupInfoW " ]; then
  echo "far2l: FAILED: the plug-in must export exactly far2l's five entry points" >&2
  exit 1
fi

rm -rf "$work"
mkdir -p "$work/setup" "$work/expected" "$work/actual"
cp dist/setup/Keywords.dat dist/setup/Replace.dat "$work/setup/"
job_path() { printf '%s' "$1"; }
# shellcheck source=scripts/plugin-jobs.sh
source scripts/plugin-jobs.sh
echo "far2l: $count jobs, expected outputs from $qmate"

status=0
QMATE_TEST_TMP="$work" "$host" --plugin "$plugin" --dist "$folder" --jobs "$jobs" \
  >"$work/host.log" 2>&1 || status=$?
grep -v '^$' "$work/host.log" | tail -40
if [ "$status" -ne 0 ]; then
  for expected in "$work"/expected/*; do
    case $expected in *.err) continue ;; esac
    actual="$work/actual/$(basename "$expected")"
    if [ -f "$actual" ] && ! cmp -s "$expected" "$actual"; then
      echo "--- native $(basename "$expected")  +++ qmate.far-plug-wide"
      diff -a "$expected" "$actual" | head -20 || true
    fi
  done
  echo "far2l: FAILED" >&2
  exit 1
fi
