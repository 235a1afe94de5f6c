# The job list both plug-in test hosts run (scripts/test-windows.sh for the Far 1.70 DLL,
# tests/far2l/run.sh for the far2l plug-in): every command with several settings on the sample
# files and test cases, each job's expected output made by the native tool.
# Sourced with these set: qmate (the native tool), work (the folder for the job file, the
# expected and actual outputs, and setup/ with the word files), root (the repository), and
# job_path, a function printing a path as the test host opens it. Sets jobs (the job file) and
# count.
jobs="$work/jobs.txt"
: >"$jobs"
count=0
add_job() { # VERB LINES CURSOR SETTINGS INPUT
  local verb=$1 lines=$2 cursor=$3 settings=$4 input=$5 codepage=866
  count=$((count + 1))
  local name
  name="$(printf '%03d' "$count")-$verb-$(basename "$input")"
  local args=("$verb" --setup "$work/setup")
  [ "$lines" != - ] && args+=(--lines "$lines")
  [ "$cursor" != - ] && args+=(--cursor "$cursor")
  [ "$verb" = procs ] && args+=(--menu)
  if [ "$settings" != - ]; then
    local pair
    for pair in ${settings//,/ }; do args+=(--set "$pair"); done
  fi
  local expected="$work/expected/$name"
  if ! "$qmate" "${args[@]}" "$input" >"$expected" 2>"$expected.err"; then
    echo "plugin jobs: FAILED: native qmate ${args[*]} $input:" >&2
    cat "$expected.err" >&2
    exit 1
  fi
  # The code page a Far 3 editor holds the file in, from its name.
  case $(basename "$input") in *-utf8.*) codepage=65001 ;; *-1251.*) codepage=1251 ;; esac
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$verb" "$lines" "$cursor" "$settings" \
    "$(job_path "$input")" "$(job_path "$expected")" "$(job_path "$work/actual/$name")" "$codepage" >>"$jobs"
}

all_settings=GlobalTab=1,MainTab=2,FuncTab=1,TextFuncTab=4,Tab=3,Comments=0,SplitLineTab=4
odd_settings=Tab=8,Comments=-3,SplitLineTab=0,TextFuncTab=0
modern_settings=Style=Modern,Tab=3,TextFuncTab=3
modern_options=Style=Modern,CaseIndent=1,BlankLines=2,KeepContinuation=0,KeepColumn0Comments=0,ReturnAtHeader=1,DialogBlocks=1,FlatSequence=1,ClassBody=6,RoutineBody=1
# The options that follow the author's habits, by routine and by block, with tabs.
modern_habits=Style=Modern,Steps=Block,CaseIndent=2,RoutineBody=3,Directives=Written,IndentWith=Tabs,TabWidth=4,KeepOpeners=1
modern_routine=Style=Modern,Steps=Routine,Directives=Code,TabWidth=3
# A large file made of the samples, so that a pass through the library is seen to stay linear.
big="$work/large.prg"
for _ in $(seq 400); do cat tests/windows/cases/blocks.prg tests/windows/cases/verbatim.prg; done >"$big"
shopt -s nullglob
for input in "$root"/samples/*.prg "$root"/tests/windows/cases/*.prg "$root"/tests/windows/cases/*.ch; do
  # Editor lines: every line ends at a LF, and the text after the last one is a line too.
  n=$(($(tr -cd '\n' <"$input" | wc -c) + 1))
  half=$((n / 2 > 2 ? n / 2 : 2))
  add_job reindent - - - "$input"
  add_job reindent - - "$all_settings" "$input"
  add_job reindent - - "$odd_settings" "$input"
  add_job reindent "3-$half" "3:4" - "$input"
  add_job reindent "2-$n" "2:0" "$all_settings" "$input"
  add_job annotate - - - "$input"
  add_job annotate "2-$half" - - "$input"
  add_job comment "2-$half" - - "$input"
  add_job uncomment "1-$n" - - "$input"
  add_job procs - "$half:0" - "$input"
  add_job procs - - - "$input"
  add_job reindent - - "$modern_settings" "$input"
  add_job reindent - - "$modern_options" "$input"
  add_job reindent - - "$modern_habits" "$input"
  add_job reindent - - "$modern_routine" "$input"
  add_job reindent "3-$half" "3:4" "$modern_settings" "$input"
  add_job annotate - - "$modern_settings" "$input"
  add_job procs - - "$modern_settings" "$input"
done
add_job reindent - - - "$big"
add_job reindent 2-40000 1:2 "$all_settings" "$big"
add_job annotate - - - "$big"
add_job reindent - - "$modern_settings" "$big"
