#!/usr/bin/env bash
# Neovim's built-in LSP client on `qmate lsp`: for each row below, the buffer Neovim writes
# after formatting, range formatting, the comment action, and the symbol list it receives
# must equal, byte for byte, what `qmate reindent`, `qmate reindent --lines --cursor`,
# `qmate comment --lines` and `qmate procs` print for the same file. Before formatting the
# whole file, Neovim indents line 4 and deletes line 3, as typing would (sent to the server as
# incremental changes); the tool gets the file with the same lines changed by sed.
# Usage: run.sh QMATE SOURCE_DIR
set -u
QMATE=$(realpath "$1")
SRC=$(realpath "$2")
if ! command -v nvim >/dev/null 2>&1; then
  echo "nvim-lsp: SKIPPED: nvim is not installed (apt-get install neovim)"
  exit 77
fi
WORK=$(mktemp -d "${TMPDIR:-/tmp}/qmate-nvim-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# A text with UTF-8 letters, a range that starts after one of them, and no final newline.
mkdir inputs
printf 'FUNCTION Grüße()\n/* größer */ IF x > 1\n? "Größe"\nENDIF\nRETURN nil' >inputs/utf8.prg
# Classes and their methods, for the Modern rules.
printf '%s\n' '#include "hbclass.ch"' '' 'CREATE CLASS TFoo FROM TBase' '   VAR nValue' \
  '   METHOD New( n )' 'ENDCLASS' '' 'METHOD New( n ) CLASS TFoo' '::nValue := n' \
  'IF n > 1' '? n' 'ENDIF' 'RETURN Self' '' 'STATIC FUNCTION Helper()' 'RETURN nil' >inputs/classes.prg

# INPUT (from the source folder, or inputs/ made above) | LINES A-B | the range's start column
# as the client counts it (UTF-16 code units) | the same column in bytes, as --cursor takes it
# | the Style a project .qmate.ini beside the file chooses (none: the default rules)
CASES="
samples/demo.prg                  | 30-45 | 4  | 4  |
samples/report.prg                | 10-30 | 0  | 0  |
samples/stock.prg                 | 5-20  | 2  | 2  |
tests/golden/inputs/commented.prg | 1-3   | 0  | 0  |
tests/golden/inputs/settled.prg   | 2-6   | 3  | 3  |
inputs/utf8.prg                   | 2-4   | 13 | 15 |
samples/demo.prg                  | 30-45 | 4  | 4  | Modern
inputs/classes.prg                | 9-12  | 0  | 0  | Modern
"

status=0
count=0
# One Neovim session per request; FILE is the copy it edits, EXPECTED what qmate prints.
run_case() { # OP NAME LINES COLUMN EXPECTED
  local op=$1 name=$2 lines=$3 column=$4 expected=$5
  local out=$WORK/$op.out
  QMATE_TOOL=$QMATE QMATE_FILE=$name QMATE_WORD=${word:-} QMATE_NAME=$name QMATE_OP=$op QMATE_LINES=$lines \
    QMATE_EDIT='4s/^/   /;3d' \
    QMATE_COLUMN=$column QMATE_OUT=$out \
    timeout 60 nvim --headless --clean -n -i NONE -u NONE -c "luafile $SRC/tests/nvim/client.lua" \
    >"$WORK/nvim.log" 2>&1 </dev/null
  local rc=$?
  case $op in format | range | comment) cp "$name" "$out" ;; esac
  count=$((count + 1))
  if [ $rc -ne 0 ] || ! cmp -s "$out" "$expected"; then
    echo "FAIL: $op $name (lines $lines, column $column; nvim status $rc)"
    cat "$WORK/nvim.log"
    diff "$expected" "$out" | head -20
    status=1
  fi
}

cases=0
while IFS='|' read -r input lines column bytes rules; do
  input=$(echo "$input" | xargs)
  [ -n "$input" ] || continue
  lines=$(echo "$lines" | xargs)
  column=$(echo "$column" | xargs)
  bytes=$(echo "$bytes" | xargs)
  rules=$(echo "$rules" | xargs)
  # Each case in a folder of its own, with its project settings file.
  cases=$((cases + 1))
  mkdir "$WORK/case$cases"
  cd "$WORK/case$cases"
  [ -z "$rules" ] || printf '[Rules]\nStyle=%s\n' "$rules" >.qmate.ini
  name=$(basename "$input")
  first=${lines%-*}
  for op in format range comment symbols; do
    if [ -f "$WORK/$input" ]; then cp "$WORK/$input" "$name"; else cp "$SRC/$input" "$name"; fi
    case $op in
      format) sed '3d;4s/^/   /' "$name" | "$QMATE" reindent --assume-filename "$name" - >expected ;;
      range) "$QMATE" reindent --lines "$lines" --cursor "$first:$bytes" "$name" >expected ;;
      comment) "$QMATE" comment --lines "$lines" "$name" >expected ;;
      symbols) "$QMATE" procs "$name" >expected ;;
    esac
    run_case "$op" "$name" "$lines" "$column" expected
  done
  cd "$WORK"
done <<<"$CASES"

# The workspace index, in a folder of two files: a routine of lib.prg called from main.prg.
# Its symbols, its definition and its header and comments come from `qmate procs lib.prg`;
# its references are the declaration and the calls, the comment and the string left out.
mkdir "$WORK/ws"
cd "$WORK/ws"
printf '%s\n' '// The first routine.' 'FUNCTION LibOne()' 'RETURN 1' '' '// The second routine,' \
  '// with its argument.' 'FUNCTION LibTwo( x )' 'RETURN x' >lib.prg
printf '%s\n' 'PROCEDURE Main()' '   ? LibTwo( 1 )' '   // LibTwo( 2 ) is not called' \
  '   ? "LibTwo( 3 )"' '   ? LibOne() + libtwo( 4 )' 'RETURN' >main.prg
"$QMATE" procs lib.prg >procs
header=$(grep LibTwo procs)
above=$(($(echo "$header" | cut -d: -f2) - 2))
for op in wsymbol definition references hover; do
  word=LibTwo
  case $op in
    wsymbol) word=Lib; cp procs expected ;;
    definition) echo "$header" >expected ;;
    references) { echo "$header"; grep -n -i 'libtwo( [14]' main.prg | sed 's/^/main.prg:/'; } |
      sort >expected ;;
    hover) { echo '```clipper'; sed -n "$above,$((above + 2))p" lib.prg; echo '```'; } >expected ;;
  esac
  run_case "$op" main.prg "" 0 expected
done
cd "$WORK"

[ $status -eq 0 ] && echo "nvim-lsp: $count requests through Neovim's LSP client equal the tool's output"
exit $status
