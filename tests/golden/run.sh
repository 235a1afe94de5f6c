#!/usr/bin/env bash
# Golden tests of the qmate tool on the sample programs: each case of cases.txt runs the
# tool and compares its standard output, standard error and exit status with the files
# recorded in expected/. Usage: run.sh QMATE SOURCE_DIR [CASE...]
#   QMATE_GOLDEN_UPDATE=1  records the outputs instead of comparing (read them before
#                          committing them!)
#   QMATE_WRAP             a command put in front of the tool (e.g. a valgrind call)
#   QMATE_GOLDEN_BATCH     "write" or "check", with QMATE_GOLDEN_WORK (a new folder): a
#                          Windows tool runs the cases inside a Wine session of its own.
#                          "write" makes the cases' folders and WORK/cases.sh, which runs them
#                          with `wine QMATE`; "check" compares what it left in WORK. Nothing
#                          else runs the tool.
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
BATCH=${QMATE_GOLDEN_BATCH:-}

if [ -n "$BATCH" ]; then
  WORK=${QMATE_GOLDEN_WORK:?QMATE_GOLDEN_BATCH needs QMATE_GOLDEN_WORK}
  if [ "$BATCH" = check ]; then
    WORK=$(cd "$WORK" && pwd)
  else
    rm -rf "$WORK"
    mkdir -p "$WORK"
    WORK=$(cd "$WORK" && pwd)
  fi
else
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/qmate-golden-XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
fi
if [ "$BATCH" != check ]; then
  # Two setup folders: none of the word files (only the indentation shows), and the shipped
  # ones.
  mkdir -p "$WORK/empty/setup" "$WORK/shipped/setup" "$WORK/results"
  cp "$ROOT/dist/setup/Keywords.dat" "$ROOT/dist/setup/Replace.dat" "$WORK/shipped/setup/"
  mkdir -p "$WORK/files"
  # The search for project settings (.qmate.ini) stops at a folder holding .git: here, so
  # that no file above the work folder takes part.
  mkdir -p "$WORK/.git"
  cp "$ROOT"/samples/*.prg "$HERE"/inputs/* "$WORK/files/" 2>/dev/null
fi
if [ "$BATCH" = write ]; then
  : >"$WORK/cases.sh"
fi

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
  # Every case runs on fresh copies, so in-place cases do not disturb each other; cases.sh's
  # cases each have their own.
  RUN="$WORK/run"
  [ -n "$BATCH" ] && RUN="$WORK/run/$NAME"
  OUT="$WORK/results/$NAME"
  if [ "$BATCH" = write ]; then
    mkdir -p "$WORK/run"
    cp -r "$WORK/files" "$RUN"
    {
      printf 'cd %q && wine %q %q --setup %q' "$RUN" "$QMATE" "$VERB" "$WORK/$SETUP/setup"
      for W in "${WORDS[@]:1}"; do printf ' %q' "$W"; done
      printf ' >%q 2>%q </dev/null; echo "status $?" >%q\n' "$OUT.out" "$OUT.err" "$OUT.status"
    } >>"$WORK/cases.sh"
    continue
  fi
  if [ "$BATCH" = check ]; then
    STATUS=$(tr -d '\r' <"$OUT.status" 2>/dev/null | awk '{print $2}')
  else
    rm -rf "$RUN"
    cp -r "$WORK/files" "$RUN"
    (cd "$RUN" && $WRAP "$QMATE" "$VERB" --setup "$WORK/$SETUP/setup" "${WORDS[@]:1}" \
      >"$OUT.out" 2>"$OUT.err" </dev/null)
    STATUS=$?
  fi
  cp "$OUT.out" "$WORK/out" 2>/dev/null || : >"$WORK/out"
  cp "$OUT.err" "$WORK/err" 2>/dev/null || : >"$WORK/err"
  # In-place cases show the rewritten file as their output.
  for W in "${WORDS[@]}"; do
    if [ "$W" = "-i" ]; then
      cat "$RUN/${WORDS[${#WORDS[@]} - 1]}" >>"$WORK/out"
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

if [ "$BATCH" = write ]; then
  echo "wrote $WORK/cases.sh"
  exit 0
fi
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
