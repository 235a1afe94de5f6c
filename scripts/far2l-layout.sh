#!/usr/bin/env bash
# Lays out the far2l plug-in folder: the plug-in, its language and help files in UTF-8 (far2l
# reads them so; the Russian ones ship in code page 866 for Far 1.70) and the word files in
# setup/. A settings file already in setup/ is kept: it holds the user's settings.
#   scripts/far2l-layout.sh PLUGIN FOLDER
set -eu
plugin=$1
folder=$2
dist="$(cd "$(dirname "$0")/.." && pwd)/dist"
mkdir -p "$folder/setup"
cp "$plugin" "$folder/qmate.far-plug-wide"
for file in qmateEng.lng qmateEng.hlf; do
  cp "$dist/$file" "$folder/$file"
done
for file in qmateRus.lng qmateRus.hlf; do
  iconv -f CP866 -t UTF-8 "$dist/$file" >"$folder/$file.tmp"
  mv "$folder/$file.tmp" "$folder/$file"
done
cp "$dist/setup/Keywords.dat" "$dist/setup/Replace.dat" "$folder/setup/"
