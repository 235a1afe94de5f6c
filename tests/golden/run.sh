#!/usr/bin/env bash
# Golden tests of the qmate tool on the sample programs: each case of cases.txt runs the
# tool and compares its standard output, standard error and exit status with the files
# recorded in expected/. Usage: run.sh QMATE SOURCE_DIR [CASE...]
#   QMATE_GOLDEN_UPDATE=1  records the outputs instead of comparing (read them before
#                          committing them!)
#   QMATE_WRAP             a command put in front of the tool (e.g. a valgrind call)
set -u
QMATE=${1:?usage: run.sh QMATE SOURCE_DIR [CASE...]}
ROOT=${2:?usage: run.sh QMATE SOURCE_DIR [CASE...]}
shift 2
QMATE=$(cd "$(dirname "$QMATE")" && pwd)/$(basename "$QMATE")
ROOT=$(cd "$ROOT" && pwd)
ONLY=" $* "
HERE="$ROOT/tests/golden"
WRAP=${QMATE_WRAP:-}
UPDATE=${QMATE_GOLDEN_UPDATE:-0}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/qmate-golden-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# Two setup folders: none of the word files (only the indentation shows), and the shipped ones.
mkdir -p "$WORK/empty/setup" "$WORK/shipped/setup"
cp "$ROOT/dist/setup/Keywords.dat" "$ROOT/dist/setup/Replace.dat" "$WORK/shipped/setup/"
mkdir -p "$WORK/files"
# The search for project settings (.qmate.ini) stops at a folder holding .git: here, so that
# no file above the work folder takes part.
mkdir -p "$WORK/.git"
cp "$ROOT"/samples/*.prg "$HERE"/inputs/* "$WORK/files/" 2>/dev/null

PASSED=0
FAILED=0
# cases.txt: NAME | SETUP (empty or shipped) | ARGUMENTS (run in the files folder)
while IFS='|' read -r NAME SETUP ARGS; do
  NAME=$(echo "$NAME" | xargs)
  case "$NAME" in '' | '#'*) continue ;; esac
  if [ "$ONLY" != "  " ] && [[ "$ONLY" != *" $NAME "* ]]; then
    continue
  fi
  SETUP=$(echo "$SETUP" | xargs)
  read -r -a WORDS <<<"$ARGS"
  VERB=${WORDS[0]}
  # Every case runs on fresh copies, so in-place cases do not disturb each other.
  rm -rf "$WORK/run"
  cp -r "$WORK/files" "$WORK/run"
  (cd "$WORK/run" && $WRAP "$QMATE" "$VERB" --setup "$WORK/$SETUP/setup" "${WORDS[@]:1}" \
    >"$WORK/out" 2>"$WORK/err" </dev/null)
  STATUS=$?
  # In-place cases show the rewritten file as their output.
  for W in "${WORDS[@]}"; do
    if [ "$W" = "-i" ]; then
      cat "$WORK/run/${WORDS[${#WORDS[@]} - 1]}" >>"$WORK/out"
    fi
  done
  echo "$STATUS" >"$WORK/status"
  EXP="$HERE/expected/$NAME"
  if [ "$UPDATE" = 1 ]; then
    cp "$WORK/out" "$EXP.out"
    cp "$WORK/err" "$EXP.err"
    cp "$WORK/status" "$EXP.status"
    echo "recorded $NAME (status $STATUS)"
    continue
  fi
  if cmp -s "$WORK/out" "$EXP.out" && cmp -s "$WORK/err" "$EXP.err" &&
    cmp -s "$WORK/status" "$EXP.status"; then
    PASSED=$((PASSED + 1))
  else
    FAILED=$((FAILED + 1))
    echo "FAIL $NAME: qmate $ARGS"
    for Part in out err status; do
      if ! cmp -s "$WORK/$Part" "$EXP.$Part"; then
        diff -u "$EXP.$Part" "$WORK/$Part" --label "expected $Part" --label "actual $Part" |
          head -40
      fi
    done
  fi
done <"$HERE/cases.txt"

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
