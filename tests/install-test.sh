#!/usr/bin/env bash
# The kit as installed: `cmake --install` into a temporary prefix, the tree then moved elsewhere
# (the front command must find its programs from its own place, as in an unpacked archive), and
# sudoku-messkit run there: a whole run, Quadrin alone, and what it must refuse.
#
#   install-test.sh BUILD_FOLDER [CMAKE]
set -eu

build=${1:?the build folder to install from}
cmake=${2:-cmake}
work=$(mktemp -d "${TMPDIR:-/tmp}/kit-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
  fail "cmake --install: $(cat "$work/install.log")"
mv "$work/prefix" "$work/moved"
front=$work/moved/bin/sudoku-messkit
for file in bin/sudoku-messkit share/man/man1/sudoku-messkit.1.gz \
  lib/sudoku-messkit/{Build,Start,Quadrin,Ende,Check,Messlauf,Anlasser,Gastgeber,timed-run} \
  lib/sudoku-messkit/libkitloeser.so; do
  [[ -e $work/moved/$file ]] || fail "$file was not installed"
done
[[ $("$front" --version) =~ ^sudoku-messkit\ [0-9]+\.[0-9]+ ]] || fail "--version: $("$front" --version)"
help=$("$front" --help)
for command in build start quadrin ende check timed-run run history verify --version --help; do
  grep -q -- "^  $command " <<<"$help" || fail "--help does not name $command"
done

mkdir "$work/here"
cd "$work/here"
# The run is stored in the data folder, never in the user's own.
export XDG_DATA_HOME=$work/data
report=$("$front" run --count 500 --seed 77 --dir lauf 2>"$work/run.err") ||
  fail "run --count 500 ended with $?: $(cat "$work/run.err")"
grep -q '^Prüfung:     Alle Lösungen korrekt$' <<<"$report" || fail "run: $report"
grep -q '^Löser:       Quadrin (.*/moved/lib/sudoku-messkit/Quadrin)$' <<<"$report" ||
  fail "run did not time the installed Quadrin: $report"

# The kit's search as a library, in the installed host beside the installed Messlauf.
library=$("$front" run --count 300 --seed 77 --dir bib --no-store \
  --library "$work/moved/lib/sudoku-messkit/libkitloeser.so:kit_solve" 2>"$work/lib.err") ||
  fail "run --library ended with $?: $(cat "$work/lib.err")"
grep -q '^Prüfung:     Alle Lösungen korrekt$' <<<"$library" || fail "run --library: $library"
grep -q '^Je Rätsel:   .* µs im Prozess' <<<"$library" || fail "run --library: $library"

[[ -s $XDG_DATA_HOME/sudoku-messkit/results.sqlite ]] || fail "the run was not stored"
history=$("$front" history) || fail "history ended with $?"
grep -qE '^ *1  .* Quadrin \([0-9a-f]{8}\)  Build .* korrekt +–$' <<<"$history" ||
  fail "history does not list the run: $history"

# Quadrin alone, in the folder of the run: the same answers again.
cd lauf
mv OUT.TXT OUT.run
"$front" quadrin || fail "quadrin ended with $?"
cmp -s OUT.TXT OUT.run || fail "quadrin wrote other answers than in the run"
verified=$("$front" verify --check-threads 2) || fail "verify ended with $?"
[[ $verified == "Alle Lösungen korrekt"$'\n'"Ergebnisse: "* ]] || fail "verify: $verified"

status=0
"$front" quadrin now 2>"$work/err" || status=$?
[[ $status -eq 2 && $(cat "$work/err") == *"quadrin nimmt keine Angaben"* ]] ||
  fail "quadrin with an argument: status $status, $(cat "$work/err")"
status=0
"$front" solve 2>"$work/err" || status=$?
[[ $status -eq 2 && $(cat "$work/err") == *"Unbekannter Befehl „solve“"* ]] ||
  fail "an unknown command: status $status, $(cat "$work/err")"
echo "installed, moved and run: ok"
