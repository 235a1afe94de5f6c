#!/usr/bin/env bash
# Builds the 64-bit qmate.exe with MinGW-w64 and runs it under 64-bit Wine: the golden tests
# of the command-line tool (tests/golden), then the behaviour only Windows has (drive letters,
# backslashes, Unicode names, the read-only attribute, a file held open by another program,
# attributes kept by an in-place write, binary standard input and output, many files on worker
# threads, a path longer than MAX_PATH, `configure` with and without a console) and Neovim's
# LSP client on `qmate.exe lsp`, each output compared byte for byte with the native tool.
#   scripts/test-windows-cli.sh [WIN64_BUILD [NATIVE_BUILD]]
# WIN64_BUILD defaults to build-win64 (its Wine prefix in WIN64_BUILD/wineprefix); the native
# build defaults to $QMATE_NATIVE_BUILD or build. Skips with a notice when the cross compiler
# or 64-bit Wine is missing (fails instead when CI is set); fails on any failed check.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-win64}
native=${2:-${QMATE_NATIVE_BUILD:-build}}

cannot_run() {
  if [ -n "${CI:-}" ]; then
    echo "test-windows-cli: FAILED: $1" >&2
    exit 1
  fi
  echo "test-windows-cli: SKIPPED: $1"
  exit 0
}
command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 ||
  cannot_run "no MinGW-w64 x64 cross compiler (x86_64-w64-mingw32-g++); run make deps"
# Debian's /usr/bin/wine prefers the 32-bit loader; the 64-bit one is called directly.
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || cannot_run "no 64-bit Wine (wine64); run make deps"
server=$(command -v wineserver64 || true)
[ -n "$server" ] || server=$(dirname "$wine")/wineserver64
[ -x "$server" ] || server=wineserver

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target qmate_exe
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" -j 2 --target qmate
exe="$root/$build/qmate.exe"
qmate="$root/$native/qmate"

export WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  WINELOADER="$wine"
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows-cli: creating the Wine prefix $WINEPREFIX (first start, slow)"
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || true
fi
# One wineserver for every start below.
"$server" -p >/dev/null 2>&1 || true
trap '"$server" -k >/dev/null 2>&1 || true' EXIT
# The first start after the server's may fail on its own; no check is run by it.
"$wine" cmd /c exit >/dev/null 2>&1 || true

failed=0
echo "test-windows-cli: the golden tests on qmate.exe under $wine"
QMATE_WRAP="$wine" bash tests/golden/run.sh "$exe" "$root" || failed=1

work="$root/$build/cli-checks"
rm -rf "$work"
mkdir -p "$work/setup" "$work/files/.git" "$work/drive/sub"
cp dist/setup/Keywords.dat dist/setup/Replace.dat "$work/setup/"
"$qmate" reindent --setup "$work/setup" samples/demo.prg >"$work/expected.prg"
cp samples/demo.prg "$work/files/"
cp samples/demo.prg "$work/files/Grüße-демо.prg"
cp samples/demo.prg "$work/drive/sub/"
printf '[Settings]\r\nMainTab=3\r\n' >"$work/drive/.qmate.ini"
printf 'PROCEDURE Main\r\n? 1\rRETURN\n' >"$work/crlf.prg"
# A drive of its own: the search for .qmate.ini must stop at Q:\ (no .git anywhere above).
ln -sfn "$work/drive" "$WINEPREFIX/dosdevices/q:"
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
# The language server's framing: initialize, a document with CR LF line ends, its formatting.
lsp_message() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{
  lsp_message '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
  lsp_message '{"jsonrpc":"2.0","method":"initialized","params":{}}'
  lsp_message '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///Z:/x/a.prg","languageId":"clipper","version":1,"text":"PROCEDURE Main\r\n? 1\r\nIF x\r\n? 2\r\nENDIF\r\nRETURN\r\n"}}}'
  lsp_message '{"jsonrpc":"2.0","id":2,"method":"textDocument/formatting","params":{"textDocument":{"uri":"file:///Z:/x/a.prg"},"options":{"tabSize":2,"insertSpaces":true}}}'
  lsp_message '{"jsonrpc":"2.0","id":3,"method":"shutdown"}'
  lsp_message '{"jsonrpc":"2.0","method":"exit"}'
} >"$work/lsp.in"

# NAME | qmate.exe ARGUMENTS | native ARGUMENTS | STDIN: each pair runs from $work/files (the
# native one from its folder) and their standard output, standard error and status must match.
W=$(winpath "$work")
rows="drive-backslash  | reindent $W\\files\\demo.prg         | reindent demo.prg          | -
drive-slash      | reindent ${W//\\//}/files/demo.prg    | reindent demo.prg          | -
unicode-name     | reindent Grüße-демо.prg                | reindent Grüße-демо.prg    | -
drive-root-stops | settings Q:\\sub\\demo.prg              | settings ../drive/sub/demo.prg | -
binary-stdin     | reindent -                             | reindent -                 | $work/crlf.prg
lsp-framing      | lsp                                    | lsp                        | $work/lsp.in"
while IFS='|' read -r name winargs nativeargs input; do
  name=$(echo "$name" | xargs)
  input=$(echo "$input" | xargs)
  [ "$input" = - ] && input=/dev/null
  read -r -a wa <<<"$winargs"
  read -r -a na <<<"$nativeargs"
  status=0
  (cd "$work/files" && "$wine" "$exe" "${wa[0]}" --setup "$(winpath "$work/setup")" "${wa[@]:1}" \
    <"$input" >"$work/$name.win" 2>"$work/$name.win-err") || status=$?
  echo "$status" >>"$work/$name.win-err"
  # The native run sees the drive's folder with a .git beside its settings, as Q:\ is a root.
  mkdir -p "$work/drive/.git"
  status=0
  (cd "$work/files" && "$qmate" "${na[0]}" --setup "$work/setup" "${na[@]:1}" \
    <"$input" >"$work/$name.native" 2>"$work/$name.native-err") || status=$?
  echo "$status" >>"$work/$name.native-err"
  rmdir "$work/drive/.git"
  # The settings file found is named by its full path: Q:\ is the native $work/drive/.
  sed -i -e "s|Q:\\\\|$work/drive/|g" "$work/$name.win"
  if cmp -s "$work/$name.win" "$work/$name.native" && cmp -s "$work/$name.win-err" "$work/$name.native-err"; then
    echo "PASS $name"
  else
    echo "FAIL $name"
    diff -a "$work/$name.native" "$work/$name.win" | head -10 || true
    diff -a "$work/$name.native-err" "$work/$name.win-err" | head -10 || true
    failed=1
  fi
done <<<"$rows"

# Many files on worker threads: 40 copies of the samples and the golden inputs, run with
# --check, --diff and -i on all cores (QMATE_WORKERS=3 makes a third worker even on two), on
# one worker and by the native tool (on its worker processes). Standard output, standard error, the status and (for
# -i) the files rewritten must be the same byte for byte: the records in the files' order.
mkdir -p "$work/many"
for i in $(seq 40); do
  mkdir -p "$work/many/c$i"
  cp samples/*.prg tests/golden/inputs/* "$work/many/c$i/"
done
# A project settings file's refused value: its warning once, with the first file it covers.
printf '[Settings]\r\nMainTab=abc\r\n' >"$work/many/c5/.qmate.ini"
for mode in --check --diff -i; do
  for run in native threads forced one; do
    rm -rf "$work/many-run"
    cp -r "$work/many" "$work/many-run"
    status=0
    case $run in
    native) (cd "$work/files" && "$qmate" reindent $mode --setup "$work/setup" ../many-run) ;;
    threads) (cd "$work/files" && "$wine" "$exe" reindent $mode --setup "$(winpath "$work/setup")" ../many-run) ;;
    forced) (cd "$work/files" && QMATE_WORKERS=3 "$wine" "$exe" reindent $mode --setup "$(winpath "$work/setup")" ../many-run) ;;
    one) (cd "$work/files" && QMATE_WORKERS=1 "$wine" "$exe" reindent $mode --setup "$(winpath "$work/setup")" ../many-run) ;;
    esac >"$work/many.$run" 2>"$work/many.$run-err" || status=$?
    echo "$status" >>"$work/many.$run-err"
    # The settings file is named by its full path: Z:\...\ is the native /.../.
    [ "$run" = native ] || sed -i -e '/^qmate: warning: Z:/{s|Z:||;s|\\|/|g}' "$work/many.$run-err"
    (cd "$work/many-run" && find . -type f | sort | xargs md5sum) >>"$work/many.$run"
  done
  ok=1
  for run in threads forced one; do
    cmp -s "$work/many.native" "$work/many.$run" && cmp -s "$work/many.native-err" "$work/many.$run-err" || ok=0
  done
  if [ "$ok" = 1 ] && [ "$(wc -l <"$work/many.native")" -gt 320 ]; then
    echo "PASS folder-threads $mode"
  else
    echo "FAIL folder-threads $mode"
    for run in threads forced one; do
      diff -a "$work/many.native" "$work/many.$run" | head -5 || true
      diff -a "$work/many.native-err" "$work/many.$run-err" | head -5 || true
    done
    failed=1
  fi
done
rm -rf "$work/many-run"

# A path longer than MAX_PATH (260 characters) is read and rewritten in place.
deep="$work/deep"
for part in a b c d; do deep="$deep/$(printf "$part%.0s" $(seq 60))"; done
mkdir -p "$deep"
cp samples/demo.prg "$deep/demo.prg"
deepwin="$(winpath "$deep")\\demo.prg"
status=0
"$wine" "$exe" reindent --setup "$(winpath "$work/setup")" "$deepwin" >"$work/deep.out" 2>"$work/deep.err" || status=$?
"$wine" "$exe" reindent -i --setup "$(winpath "$work/setup")" "$deepwin" 2>>"$work/deep.err" || status=$?
if [ "$status" = 0 ] && [ "${#deepwin}" -gt 260 ] && cmp -s "$work/deep.out" "$work/expected.prg" &&
  cmp -s "$deep/demo.prg" "$work/expected.prg" && [ ! -s "$work/deep.err" ] &&
  [ "$(find "$deep" -type f | wc -l)" = 1 ]; then
  echo "PASS long-path"
else
  echo "FAIL long-path (status $status)"
  cat "$work/deep.err"
  failed=1
fi

# A setup folder and a project folder with names outside ASCII: the setup folder's qmate.ini
# and the project's .qmate.ini are both read (their values and a refused one's warning).
mkdir -p "$work/unicode/Grüße-дом/setup" "$work/unicode/проект"
cp dist/setup/Keywords.dat dist/setup/Replace.dat "$work/unicode/Grüße-дом/setup/"
printf '[Settings]\r\nMainTab=5\r\n' >"$work/unicode/Grüße-дом/setup/qmate.ini"
printf '[Settings]\r\nTab=4\r\nMainTab=abc\r\n' >"$work/unicode/проект/.qmate.ini"
cp samples/demo.prg "$work/unicode/проект/"
status=0
(cd "$work/unicode" && "$wine" "$exe" reindent --setup 'Grüße-дом\setup' 'проект\demo.prg' \
  >"$work/unicode.win" 2>"$work/unicode.win-err") || status=$?
echo "$status" >>"$work/unicode.win-err"
sed -i -e '/^qmate: warning: Z:/{s|Z:||;s|\\|/|g}' "$work/unicode.win-err"
status=0
(cd "$work/unicode" && "$qmate" reindent --setup 'Grüße-дом/setup' 'проект/demo.prg' \
  >"$work/unicode.native" 2>"$work/unicode.native-err") || status=$?
echo "$status" >>"$work/unicode.native-err"
if cmp -s "$work/unicode.win" "$work/unicode.native" && cmp -s "$work/unicode.win-err" "$work/unicode.native-err" &&
  grep -q 'using 5$' "$work/unicode.win-err"; then
  echo "PASS unicode-setup-and-project"
else
  echo "FAIL unicode-setup-and-project"
  diff -a "$work/unicode.native-err" "$work/unicode.win-err" | head -5 || true
  failed=1
fi

# In place: the hidden attribute stays; a read-only file is refused with one message and kept.
cp samples/demo.prg "$work/files/hidden.prg"
cp samples/demo.prg "$work/files/locked.prg"
(cd "$work/files" && "$wine" cmd /c attrib +h hidden.prg &&
  "$wine" "$exe" reindent -i --setup "$(winpath "$work/setup")" "$W\\files\\hidden.prg" &&
  "$wine" cmd /c attrib hidden.prg) >"$work/hidden.out" 2>&1 || true
if cmp -s "$work/files/hidden.prg" "$work/expected.prg" && tr -d '\r' <"$work/hidden.out" | grep -q '^A *H '; then
  echo "PASS inplace-keeps-attributes"
else
  echo "FAIL inplace-keeps-attributes"
  cat "$work/hidden.out"
  failed=1
fi
chmod a-w "$work/files/locked.prg"
status=0
(cd "$work/files" && "$wine" "$exe" reindent -i --setup "$(winpath "$work/setup")" locked.prg \
  >"$work/locked.out" 2>"$work/locked.err") || status=$?
if [ "$status" = 2 ] && cmp -s "$work/files/locked.prg" samples/demo.prg && [ ! -s "$work/locked.out" ] &&
  [ "$(cat "$work/locked.err")" = "qmate: cannot write locked.prg: the file is read-only" ] &&
  [ "$(find "$work/files" -name '*qmate-*' | wc -l)" = 0 ]; then
  echo "PASS readonly-refused"
else
  echo "FAIL readonly-refused (status $status)"
  cat "$work/locked.err"
  failed=1
fi
chmod u+w "$work/files/locked.prg"
# A file another program holds open (cmd, its prompt written, waiting for a line) is refused.
cp samples/demo.prg "$work/files/held.prg"
mkfifo "$work/hold"
exec 3<>"$work/hold"
(cd "$work/files" && "$wine" cmd /c "set /p x=held>>held.prg" <"$work/hold" >/dev/null 2>&1) &
for _ in $(seq 100); do
  [ "$(tail -c 4 "$work/files/held.prg")" = held ] && break
  sleep 0.1
done
cp "$work/files/held.prg" "$work/held.before"
status=0
(cd "$work/files" && "$wine" "$exe" reindent -i --setup "$(winpath "$work/setup")" held.prg \
  2>"$work/held.err") || status=$?
echo >&3
wait
exec 3>&-
if [ "$status" = 2 ] && cmp -s "$work/files/held.prg" "$work/held.before" &&
  [ "$(cat "$work/held.err")" = "qmate: cannot write held.prg: another program has it open (the file is unchanged)" ]; then
  echo "PASS held-open-refused"
else
  echo "FAIL held-open-refused (status $status)"
  cat "$work/held.err"
  failed=1
fi
# Alone in a folder, with no setup folder anywhere, the tool uses its built-in word files (the
# shipped ones) from a temporary folder it removes afterwards.
mkdir -p "$work/alone"
cp "$exe" "$work/alone/qmate.exe"
status=0
(cd "$work/files" && QMATE_SETUP= "$wine" "$work/alone/qmate.exe" reindent demo.prg \
  >"$work/alone.out" 2>"$work/alone.err") || status=$?
"$qmate" reindent --setup dist/setup samples/demo.prg >"$work/alone.expected"
if [ "$status" = 0 ] && cmp -s "$work/alone.out" "$work/alone.expected" && [ ! -s "$work/alone.err" ] &&
  [ "$(find "$WINEPREFIX/drive_c" -maxdepth 6 -name 'qmate-*' | wc -l)" = 0 ]; then
  echo "PASS built-in-words"
else
  echo "FAIL built-in-words (status $status)"
  cat "$work/alone.err"
  failed=1
fi
# configure with no console (standard input a file): dialog actions are read from it as the
# Linux tool reads them off a terminal; none at all is refused. Output, status and the
# settings file written must match the native tool's.
printf 'next\ntype 4\nnext\ntype -3\nok\n' >"$work/configure.in"
for input in /dev/null "$work/configure.in"; do
  name=configure-$(basename "$input")
  rm -rf "$work/$name"
  mkdir -p "$work/$name/win/setup" "$work/$name/native/setup"
  cp dist/setup/*.dat "$work/$name/win/setup/"
  cp dist/setup/*.dat "$work/$name/native/setup/"
  status=0
  "$wine" "$exe" configure --setup "$(winpath "$work/$name/win/setup")" <"$input" \
    >"$work/$name.win" 2>"$work/$name.win-err" || status=$?
  echo "$status" >>"$work/$name.win-err"
  status=0
  "$qmate" configure --setup "$work/$name/native/setup" <"$input" \
    >"$work/$name.native" 2>"$work/$name.native-err" || status=$?
  echo "$status" >>"$work/$name.native-err"
  if cmp -s "$work/$name.win" "$work/$name.native" && cmp -s "$work/$name.win-err" "$work/$name.native-err" &&
    diff -r "$work/$name/win" "$work/$name/native" >/dev/null; then
    echo "PASS $name"
  else
    echo "FAIL $name"
    diff -a "$work/$name.native-err" "$work/$name.win-err" | head -10 || true
    diff -r "$work/$name/native" "$work/$name/win" | head -10 || true
    failed=1
  fi
done
# configure live in a console: Wine's console on a pseudo-terminal, keys typed into it once
# the dialog is drawn; the settings file and status must be those of the native tool given the
# same keys in a terminal. Each way of drawing: escape sequences, and the console API.
keys_in_terminal() { python3 tests/windows/keys_in_terminal.py "Quillmate settings" "$@"; }
if ! command -v python3 >/dev/null 2>&1; then
  echo "SKIP configure-console: no python3 to type into a pseudo-terminal"
else
  # NAME | QMATE_NO_VT | KEYS ('|' between keys, typed 0.2 s apart)
  console_rows="down-arrow       | 0 | \x1b[B|7|\r
tab-shift-tab    | 0 | \t|\x1b[Z|9|\r
negative-to-zero | 0 | \t|\t|\t|\t|-|5|\t|\r
api-shift-tab    | 1 | \t|\t|\x1b[Z|8|\r
api-edit-keys    | 1 | \x1b[B|\x1b[D|\x1b[3~|\x1b[H|\x1b[F|\x08|6|\r"
  while IFS='|' read -r name novt keys; do
    name=console-$(echo "$name" | xargs)
    novt=$(echo "$novt" | xargs)
    keys=$(echo "$keys" | sed 's/^ *//; s/ *$//')
    rm -rf "$work/$name"
    mkdir -p "$work/$name/win/setup" "$work/$name/native/setup"
    cp dist/setup/*.dat "$work/$name/win/setup/"
    cp dist/setup/*.dat "$work/$name/native/setup/"
    wstatus=$(QMATE_NO_VT=$novt keys_in_terminal "$keys" "$work/$name.win" \
      "$wine" "$exe" configure --setup "$(winpath "$work/$name/win/setup")")
    nstatus=$(keys_in_terminal "$keys" "$work/$name.native" "$qmate" configure --setup "$work/$name/native/setup")
    if [ "$wstatus" = "$nstatus" ] && [ -f "$work/$name/native/setup/qmate.ini" ] &&
      cmp -s "$work/$name/win/setup/qmate.ini" "$work/$name/native/setup/qmate.ini"; then
      echo "PASS $name"
    else
      echo "FAIL $name (status $wstatus, native $nstatus)"
      diff -a "$work/$name/native/setup/qmate.ini" "$work/$name/win/setup/qmate.ini" | head -10 || true
      failed=1
    fi
  done <<<"$console_rows"
  # Ctrl+C ends the dialog, nothing saved, the console put back (its normal screen again).
  name=console-ctrl-c
  rm -rf "$work/$name"
  mkdir -p "$work/$name/setup"
  cp dist/setup/*.dat "$work/$name/setup/"
  keys_in_terminal '7|\x03' "$work/$name.win" "$wine" "$exe" configure --setup "$(winpath "$work/$name/setup")" >/dev/null
  if [ ! -e "$work/$name/setup/qmate.ini" ] && grep -aq $'\x1b\\[?1049l' "$work/$name.win"; then
    echo "PASS $name"
  else
    echo "FAIL $name"
    failed=1
  fi
fi
rm -f "$WINEPREFIX/dosdevices/q:"
# Neovim's LSP client on qmate.exe lsp, each answer compared with the native tool's output.
printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$wine" "$exe" >"$work/qmate-wine"
chmod +x "$work/qmate-wine"
if command -v nvim >/dev/null 2>&1; then
  bash tests/nvim/run.sh "$qmate" "$root" "$work/qmate-wine" || failed=1
elif [ -n "${CI:-}" ]; then
  echo "FAIL nvim-lsp: nvim is not installed (apt-get install neovim)"
  failed=1
else
  echo "SKIPPED nvim-lsp: nvim is not installed (apt-get install neovim)"
fi
if [ "$failed" != 0 ]; then
  echo "test-windows-cli: FAILED" >&2
  exit 1
fi
echo "test-windows-cli: passed (qmate.exe, 64-bit Wine)"
