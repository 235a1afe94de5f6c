#!/usr/bin/env bash
# Neovim's built-in LSP client on `qmate lsp`: for each row below, the buffer Neovim writes
# after formatting, range formatting, the comment action, and the symbol list it receives
# must equal, byte for byte, what `qmate reindent`, `qmate reindent --lines --cursor`,
# `qmate comment --lines` and `qmate procs` print for the same file. Before formatting the
# whole file, Neovim indents line 4 and deletes line 3, as typing would (sent to the server as
# incremental changes); the tool gets the file with the same lines changed by sed.
# The folding ranges must hold the routines' folds `qmate procs` gives (with the Modern
# rules), the highlight on each closer `qmate annotate` annotates must lead to the opener it
# names, and on-type formatting must set a line as `qmate reindent --lines H-N --cursor H:C`
# does (H its routine's header, C the header's column).
# Usage: run.sh QMATE SOURCE_DIR [SERVER]
# SERVER, when given, is the program Neovim starts as `SERVER lsp` in place of QMATE (the
# Windows build through Wine, say); the expected output still comes from QMATE.
set -u
QMATE=$(realpath "$1")
SRC=$(realpath "$2")
SERVER=$(realpath "${3:-$1}")
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
# as the client counts it (UTF-16 code units) | the column the block is indented to, in
# characters, as --cursor takes it | the Style a project .qmate.ini beside the file chooses
# (none: the default rules)
CASES="
samples/demo.prg                  | 30-45 | 4  | 4  |
samples/report.prg                | 10-30 | 0  | 0  |
samples/stock.prg                 | 5-20  | 2  | 2  |
tests/golden/inputs/commented.prg | 1-3   | 0  | 0  |
tests/golden/inputs/settled.prg   | 2-6   | 3  | 3  |
inputs/utf8.prg                   | 2-4   | 13 | 13 |
samples/demo.prg                  | 30-45 | 4  | 4  | Modern
inputs/classes.prg                | 9-12  | 0  | 0  | Modern
"

status=0
count=0
# One Neovim session per request; FILE is the copy it edits, EXPECTED what qmate prints.
run_case() { # OP NAME LINES COLUMN EXPECTED [TYPED]
  local op=$1 name=$2 lines=$3 column=$4 expected=$5 typed=${6:-}
  local out=$WORK/$op.out
  QMATE_TOOL=$SERVER QMATE_FILE=$name QMATE_WORD=${word:-} QMATE_NAME=$name QMATE_OP=$op \
    QMATE_LINES=$lines QMATE_TYPED=$typed \
    QMATE_EDIT='4s/^/   /;3d' \
    QMATE_COLUMN=$column QMATE_OUT=$out \
    timeout 60 nvim --headless --clean -n -i NONE -u NONE -c "luafile $SRC/tests/nvim/client.lua" \
    >"$WORK/nvim.log" 2>&1 </dev/null
  local rc=$?
  case $op in
    # The routines' folds are among the folding ranges.
    fold)
      { grep -Fx -f "$expected" "$out" || true; } | sort -u >"$out.routines"
      mv "$out.routines" "$out"
      ;;
    format | range | comment | ontype) cp "$name" "$out" ;;
  esac
  count=$((count + 1))
  if [ $rc -ne 0 ] || ! cmp -s "$out" "$expected"; then
    echo "FAIL: $op $name (lines $lines, column $column; nvim status $rc)"
    cat "$WORK/nvim.log"
    diff "$expected" "$out" | head -20
    status=1
  fi
}

# The folds of the routines `qmate procs` lists with the Modern rules (the folding ranges read
# the Modern rules' blocks): each from its header to the line before the next one, or to the
# last line with text; a class's own fold reaches its ENDCLASS instead.
routine_folds() { # FILE
  local last
  last=$(awk '{ sub(/\r$/, "") } length($0) > 0 { n = NR } END { print n }' "$1")
  "$QMATE" procs --set Style=Modern "$1" | awk -F: -v last="$last" '
    { line[NR] = $2; text = toupper(substr($0, length($1) + length($2) + 3))
      class[NR] = text ~ /^[ \t]*(CREATE[ \t]+)?CLASS[ \t]/ }
    END { for (i = 1; i <= NR; i++) if (!class[i]) {
            end = i < NR ? line[i + 1] - 1 : last
            if (end > line[i]) print line[i] "-" end } }' | sort -u
}

# LINE:CLAUSE for each closer `qmate annotate` annotates (a comment after the clause left out):
# the highlight on it must lead to the opener whose clause the annotation repeats.
annotated_clauses() { # FILE
  "$QMATE" annotate "$1" | awk 'NR == FNR { o[FNR] = $0; next }
    $0 != o[FNR] { c = substr($0, length(o[FNR]) + 1); sub(/^[ \t]*\/\/[ \t]*/, "", c)
                   sub(/[ \t]*\/\/.*$/, "", c); sub(/[ \t\r]+$/, "", c); print FNR ":" c }' "$1" -
}

# Line N of FILE with the leading blanks `qmate reindent --lines H-N --cursor H:C` gives it,
# H the last routine header at or above it (or line 1) and C that line's column; blank lines
# stay as they are.
indent_as_reindent() { # FILE N
  local file=$1 n=$2 h c before after
  h=$("$QMATE" procs --set Style=Modern "$file" |
    awk -F: -v n="$n" '$2 <= n { h = $2 } END { print h + 0 }')
  [ "$h" -gt 0 ] || h=1
  c=$(sed -n "${h}p" "$file" | awk '{ match($0, /^[ \t]*/); print RLENGTH }')
  "$QMATE" reindent --lines "$h-$n" --cursor "$h:$c" "$file" >"$WORK/reindented"
  before=$(wc -l <"$file")
  after=$(wc -l <"$WORK/reindented")
  awk -v n="$n" -v m=$((n + after - before)) 'NR == FNR { if (FNR == m) { match($0, /^[ \t]*/)
      blanks = substr($0, 1, RLENGTH) } next }
    FNR == n && $0 !~ /^[ \t\r]*$/ { sub(/^[ \t]*/, blanks) } { print }' "$WORK/reindented" "$file"
}

cases=0
while IFS='|' read -r input lines column indent rules; do
  input=$(echo "$input" | xargs)
  [ -n "$input" ] || continue
  lines=$(echo "$lines" | xargs)
  column=$(echo "$column" | xargs)
  indent=$(echo "$indent" | xargs)
  rules=$(echo "$rules" | xargs)
  # Each case in a folder of its own, with its project settings file.
  cases=$((cases + 1))
  mkdir "$WORK/case$cases"
  cd "$WORK/case$cases"
  [ -z "$rules" ] || printf '[Rules]\nStyle=%s\n' "$rules" >.qmate.ini
  name=$(basename "$input")
  first=${lines%-*}
  for op in format range comment symbols fold highlight; do
    if [ -f "$WORK/$input" ]; then cp "$WORK/$input" "$name"; else cp "$SRC/$input" "$name"; fi
    case $op in
      format) sed '3d;4s/^/   /' "$name" | "$QMATE" reindent --assume-filename "$name" - >expected ;;
      range) "$QMATE" reindent --lines "$lines" --cursor "$first:$indent" "$name" >expected ;;
      comment) "$QMATE" comment --lines "$lines" "$name" >expected ;;
      symbols) "$QMATE" procs "$name" >expected ;;
      fold) routine_folds "$name" >expected ;;
      highlight) annotated_clauses "$name" >expected ;;
    esac
    run_case "$op" "$name" "$lines" "$column" expected
  done
  cd "$WORK"
done <<<"$CASES"

# On-type formatting: INPUT | the line typed on | the last letter of its closer typed, or Enter
# before it (the line before and it then are set) | the Style of a project .qmate.ini.
ONTYPE="
samples/demo.prg   | 33 | letter |
samples/demo.prg   | 56 | letter |
samples/demo.prg   | 68 | letter | Modern
samples/demo.prg   | 25 | letter | Modern
samples/demo.prg   | 45 | enter  |
inputs/classes.prg | 13 | enter  | Modern
"
while IFS='|' read -r input line typed rules; do
  input=$(echo "$input" | xargs)
  [ -n "$input" ] || continue
  line=$(echo "$line" | xargs)
  typed=$(echo "$typed" | xargs)
  rules=$(echo "$rules" | xargs)
  cases=$((cases + 1))
  mkdir "$WORK/case$cases"
  cd "$WORK/case$cases"
  [ -z "$rules" ] || printf '[Rules]\nStyle=%s\n' "$rules" >.qmate.ini
  name=$(basename "$input")
  if [ -f "$WORK/$input" ]; then cp "$WORK/$input" "$name"; else cp "$SRC/$input" "$name"; fi
  if [ "$typed" = enter ]; then
    indent_as_reindent "$name" $((line - 1)) >step
    indent_as_reindent "$name" "$line" | awk -v n="$line" 'NR == FNR { s[FNR] = $0; next }
      { print FNR == n - 1 ? s[FNR] : $0 }' step - >expected
    typed=$'\n'
  else
    indent_as_reindent "$name" "$line" >expected
    typed=letter
  fi
  run_case ontype "$name" "$line-$line" 0 expected "$typed"
  cd "$WORK"
done <<<"$ONTYPE"
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

# The diagnostics published on open: what `qmate lint` prints for the same file.
mkdir "$WORK/lint"
cd "$WORK/lint"
printf '%s\n' 'FUNCTION f()' '   FOR i := 1 TO 3' '      IF x' '   ENDDO' 'ENDIF' 'TEXT' 'x' >problems.prg
"$QMATE" lint problems.prg >expected
run_case lint problems.prg "" 0 expected
cd "$WORK"

[ $status -eq 0 ] && echo "nvim-lsp: $count requests through Neovim's LSP client equal the tool's output"
exit $status
