#!/usr/bin/env bash
# Installs the far2l plug-in built in BUILD into far2l's plug-in folders: PLUGINS/quillmate/plug
# holds qmate.far-plug-wide, its language and help files and setup/ with the word files (a
# settings file already there is kept). far2l scans its Plugins folder (PREFIX/lib/far2l/Plugins
# beside PREFIX/bin/far2l) and the folder set as its personal plug-in path, with their
# subfolders, for *.far-plug-* files at start-up. PLUGINS defaults to the Plugins folder of the
# far2l found on the PATH.
#   scripts/install-far2l.sh BUILD [PLUGINS]
set -eu
cd "$(dirname "$0")/.."
build=$1
plugins=${2:-}
if [ -z "$plugins" ]; then
  far2l=$(command -v far2l || true)
  if [ -z "$far2l" ]; then
    echo "install-far2l: no far2l on the PATH; name its plug-in folder: make install-far2l FAR2L_PLUGINS=DIR" >&2
    exit 1
  fi
  prefix=$(dirname "$(dirname "$(readlink -f "$far2l")")")
  plugins="$prefix/lib/far2l/Plugins"
  if [ ! -d "$plugins" ]; then
    echo "install-far2l: no $plugins beside $far2l; name the plug-in folder: make install-far2l FAR2L_PLUGINS=DIR" >&2
    exit 1
  fi
fi
target="$plugins/quillmate/plug"
bash scripts/far2l-layout.sh "$build/qmate.far-plug-wide" "$target"
echo "install-far2l: $target"
ls -1 "$target" | sed 's/^/  /'
echo "install-far2l: far2l finds the plug-in at its next start (F11 in the editor: Quillmate)."
echo "  The settings dialog writes $target/setup/qmate.ini, so that folder must be writable."
