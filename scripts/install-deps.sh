#!/usr/bin/env bash
# Installs what a fresh machine lacks for the whole test suite: the MinGW-w64 cross compiler
# and Wine for the Windows plug-in. Does nothing when they are present or apt is unavailable.
set -u
need=()
command -v i686-w64-mingw32-g++ >/dev/null 2>&1 || need+=(g++-mingw-w64-i686)
command -v wine >/dev/null 2>&1 || need+=(wine wine32:i386)
command -v zip >/dev/null 2>&1 || need+=(zip)
[ ${#need[@]} -eq 0 ] && exit 0
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then
  echo "install-deps: missing ${need[*]}; the Windows tests will be skipped" >&2
  exit 0
fi
echo "install-deps: installing ${need[*]}"
dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
