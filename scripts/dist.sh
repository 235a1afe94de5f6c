#!/usr/bin/env bash
# Assembles the distribution: build/dist/Quillmate/ holds what goes into Far's Plugins folder
# (the library, both language and help files, the word files and readme.txt), and
# build/dist/Quillmate.zip holds that folder. Beside it, qmate-win64.zip and qmate-win32.zip
# hold the command-line tool qmate.exe for x64 and x86, each in a folder with the shipped word
# files in its setup folder, where the tool finds them. The library and the tools are built
# first when the cross compilers are at hand; without them already built files are used.
# Quillmate3-x86/ and Quillmate3-x64/ (and their zips) hold the Far 3 plug-in qmate3.dll for
# each architecture with the Far 3 language and help files (UTF-8) the build made.
# build/dist/Quillmate-far2l/ holds the far2l plug-in as it goes into far2l's Plugins folder
# (qmate.far-plug-wide, the language and help files in UTF-8, the word files), built natively
# in $QMATE_NATIVE_BUILD or build, and Quillmate-far2l.tar.gz holds that folder.
#   scripts/dist.sh [WIN_BUILD [WIN64_BUILD]]
# No settings file is shipped: the plug-in makes setup\qmate.ini at the first confirmed dialog.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-win}
build64=${2:-build-win64}
out=${QMATE_DIST_DIR:-build/dist}
dll="$build/qmate.dll"

if command -v i686-w64-mingw32-g++ >/dev/null 2>&1; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j 2 --target qmate qmate_exe qmate3
elif [ ! -f "$dll" ] || [ ! -f "$build/qmate.exe" ] || [ ! -f "$build/qmate3.dll" ]; then
  echo "dist: no MinGW-w64 cross compiler (i686-w64-mingw32-g++) and no $dll or $build/qmate.exe; run make deps" >&2
  exit 1
fi
if command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
  cmake -S . -B "$build64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build64" -j 2 --target qmate_exe qmate3
elif [ ! -f "$build64/qmate.exe" ] || [ ! -f "$build64/qmate3.dll" ]; then
  echo "dist: no MinGW-w64 cross compiler (x86_64-w64-mingw32-g++) and no $build64/qmate.exe; run make deps" >&2
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

# The Far 3 plug-in, one folder per architecture, each unpacking as Plugins\Quillmate3-ARCH.
for pair in "Quillmate3-x86 $build i686" "Quillmate3-x64 $build64 x86_64"; do
  read -r name from arch <<<"$pair"
  rm -rf "${out:?}/$name" "$out/$name.zip"
  mkdir -p "$out/$name/setup"
  cp "$from/qmate3.dll" "$out/$name/qmate3.dll"
  if command -v "$arch-w64-mingw32-strip" >/dev/null 2>&1; then
    "$arch-w64-mingw32-strip" "$out/$name/qmate3.dll"
  fi
  for file in qmateEng.lng qmateRus.lng qmateEng.hlf qmateRus.hlf; do
    crlf "$from/far3/$file" "$out/$name/$file"
  done
  crlf dist/readme.txt "$out/$name/readme.txt"
  for file in Keywords.dat Replace.dat; do
    crlf "dist/setup/$file" "$out/$name/setup/$file"
  done
  (cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
done

# The command-line tool: qmate.exe with setup\Keywords.dat and setup\Replace.dat beside it.
for pair in "qmate-win64 $build64 x86_64" "qmate-win32 $build i686"; do
  read -r name from arch <<<"$pair"
  rm -rf "${out:?}/$name" "$out/$name.zip"
  mkdir -p "$out/$name/setup"
  cp "$from/qmate.exe" "$out/$name/qmate.exe"
  if command -v "$arch-w64-mingw32-strip" >/dev/null 2>&1; then
    "$arch-w64-mingw32-strip" "$out/$name/qmate.exe"
  fi
  for file in Keywords.dat Replace.dat; do
    crlf "dist/setup/$file" "$out/$name/setup/$file"
  done
  (cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
done

# The far2l plug-in, built for this system: its symbols stripped, the code as built and tested.
native=${QMATE_NATIVE_BUILD:-build}
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" -j 2 --target qmate_far2l
rm -rf "$out/Quillmate-far2l" "$out/Quillmate-far2l.tar.gz"
bash scripts/far2l-layout.sh "$native/qmate.far-plug-wide" "$out/Quillmate-far2l"
strip --strip-unneeded "$out/Quillmate-far2l/qmate.far-plug-wide"
(cd "$out" && cmake -E tar czf Quillmate-far2l.tar.gz Quillmate-far2l)

for zip in Quillmate Quillmate3-x86 Quillmate3-x64 qmate-win64 qmate-win32; do
  echo "dist: $out/$zip"
  (cd "$out" && find "$zip" -type f | sort | while read -r file; do
    printf '  %8d  %s\n' "$(wc -c <"$file")" "$file"
  done)
  echo "dist: $out/$zip.zip ($(wc -c <"$out/$zip.zip") bytes)"
done
echo "dist: $out/Quillmate-far2l"
(cd "$out" && find Quillmate-far2l -type f | sort | while read -r file; do
  printf '  %8d  %s\n' "$(wc -c <"$file")" "$file"
done)
echo "dist: $out/Quillmate-far2l.tar.gz ($(wc -c <"$out/Quillmate-far2l.tar.gz") bytes)"
