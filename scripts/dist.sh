#!/usr/bin/env bash
# Assembles the distribution: build/dist/Quillmate/ holds what goes into Far's Plugins folder
# (the library, both language and help files, the word files and readme.txt), and
# build/dist/Quillmate.zip holds that folder. The library is built first when the cross
# compiler is at hand; without it an already built WIN_BUILD/qmate.dll is used.
#   scripts/dist.sh [WIN_BUILD]
# No settings file is shipped: the plug-in makes setup\qmate.ini at the first confirmed dialog.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-win}
out=${QMATE_DIST_DIR:-build/dist}
dll="$build/qmate.dll"

if command -v i686-w64-mingw32-g++ >/dev/null 2>&1; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j 2 --target qmate
elif [ ! -f "$dll" ]; then
  echo "dist: no MinGW-w64 cross compiler (i686-w64-mingw32-g++) and no $dll; run make deps" >&2
  exit 1
fi

folder="$out/Quillmate"
rm -rf "$folder" "$out/Quillmate.zip"
mkdir -p "$folder/setup"
cp "$dll" "$folder/qmate.dll"
# Symbols only: the code and the export table stay as built and tested.
if command -v i686-w64-mingw32-strip >/dev/null 2>&1; then
  i686-w64-mingw32-strip "$folder/qmate.dll"
fi
# Text files get Windows line ends (CR LF), as Far and Notepad users expect them.
crlf() { LC_ALL=C sed -e 's/\r$//' -e 's/$/\r/' "$1" >"$2"; }
for file in qmateEng.lng qmateRus.lng qmateEng.hlf qmateRus.hlf readme.txt; do
  crlf "dist/$file" "$folder/$file"
done
for file in Keywords.dat Replace.dat; do
  crlf "dist/setup/$file" "$folder/setup/$file"
done
if [ -e "$folder/setup/qmate.ini" ]; then
  echo "dist: a settings file must not be shipped" >&2
  exit 1
fi

# The zip holds the folder itself, so it unpacks as Plugins\Quillmate.
(cd "$out" && cmake -E tar cf Quillmate.zip --format=zip Quillmate)
echo "dist: $folder"
(cd "$out" && find Quillmate -type f | sort | while read -r file; do
  printf '  %8d  %s\n' "$(wc -c <"$file")" "$file"
done)
echo "dist: $out/Quillmate.zip ($(wc -c <"$out/Quillmate.zip") bytes)"
