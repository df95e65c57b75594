#!/usr/bin/env bash
# The bad-input matrix: each program of the kit, as built, run in a folder of its own against each
# kind of damage to the files it reads or writes. A case states what the program must do: its exit
# status, its German message or Check's verdict, whether a message box comes up, and that every
# file already in the folder is left byte for byte as it was.
#
# Check, Ende and Build are driven as a person drives them, on a private X server: xdotool clicks
# their button, types Build's count and presses Return in the message box.
#
# Needs KIT_BIN_DIR (the built programs), Xvfb and xdotool. Without the tools it says so and exits
# with 77, which CTest reports as a skip.
set -eu

bin=${KIT_BIN_DIR:?KIT_BIN_DIR must name the folder of the built programs}
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing (Debian packages xvfb and xdotool; ./kit installs them)"
    exit 77
  fi
done
for program in Quadrin Check Start Ende Build Messlauf; do
  [[ -x $bin/$program ]] || { echo "FAIL: $bin/$program is missing" >&2; exit 1; }
done

# The cases. Damage names say which file is hurt: in- IN.TXT, out- OUT.TXT, st- Start.txt, col- the
# puzzle collection that Messlauf is given.
# what: err / out      the message on standard error / the verdict on standard output, the other
#                      stream empty; box+ in front: shown in a message box as well
#       box            a message box, nothing on the standard streams
#       time           Ende's window stays open and shows a time (standard output)
#       file           Build wrote the file named with its size in bytes
# expected: a shell pattern for the whole stream; @DIR@ is the case's folder, | a line break.
# Unless it writes a file, a run must leave the folder exactly as it found it.
matrix='
Quadrin in-missing              1 err      Quadrin: Die Datei IN.TXT fehlt im Ordner @DIR@*.
Quadrin in-empty                1 err      Quadrin: Die Datei IN.TXT ist leer: sie enthält kein Rätsel. OUT.TXT bleibt unverändert.
Quadrin in-truncated            1 err      Quadrin: Fehler in IN.TXT, Rätsel 2, Zeile 16: Die Datei endet mitten im Rätsel. OUT.TXT bleibt unverändert.
Quadrin in-letter               1 err      Quadrin: Fehler in IN.TXT, Rätsel 3, Zeile 23: An Spalte 5 steht „x“ statt einer Ziffer 0 bis 9. OUT.TXT bleibt unverändert.
Quadrin in-lf                   1 err      Quadrin: Fehler in IN.TXT, Rätsel 1, Zeile 1: Die Zeile endet mit LF ohne CR; die Datei braucht CR LF als Zeilenende. OUT.TXT bleibt unverändert.
Quadrin in-extra-empty-between  1 err      Quadrin: Fehler in IN.TXT, Rätsel 1, Zeile 11: Mehr als eine Leerzeile zwischen zwei Rätseln. OUT.TXT bleibt unverändert.
Quadrin in-extra-empty-after    1 err      Quadrin: Fehler in IN.TXT, Rätsel 3, Zeile 30: Überzählige Leerzeile nach dem letzten Rätsel. OUT.TXT bleibt unverändert.
Quadrin out-is-folder           1 err      Quadrin: Die Datei OUT.TXT kann nicht ersetzt werden: ist ein Ordner.

Check   none                    0 box+out  Alle Lösungen korrekt
Check   in-missing              2 box+err  Die Datei IN.TXT fehlt im Ordner @DIR@*.
Check   in-empty                2 box+err  Die Datei IN.TXT ist leer: sie enthält kein Rätsel.
Check   in-truncated            2 box+err  Fehler in IN.TXT, Rätsel 2, Zeile 16: Die Datei endet mitten im Rätsel.
Check   in-letter               2 box+err  Fehler in IN.TXT, Rätsel 3, Zeile 23: An Spalte 5 steht „x“ statt einer Ziffer 0 bis 9.
Check   in-lf                   2 box+err  Fehler in IN.TXT, Rätsel 1, Zeile 1: Die Zeile endet mit LF ohne CR; die Datei braucht CR LF als Zeilenende.
Check   in-extra-empty-between  2 box+err  Fehler in IN.TXT, Rätsel 1, Zeile 11: Mehr als eine Leerzeile zwischen zwei Rätseln.
Check   in-extra-empty-after    2 box+err  Fehler in IN.TXT, Rätsel 3, Zeile 30: Überzählige Leerzeile nach dem letzten Rätsel.
Check   out-missing             2 box+err  Die Datei OUT.TXT fehlt im Ordner @DIR@*. Quadrin schreibt sie.
Check   out-empty               1 box+out  Lösung für SUDOKU-Nr. 1 ist nicht korrekt.|Grund: Die Antwort fehlt: OUT.TXT endet vor Zeile 1.
Check   out-truncated           1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Zeile 15 von OUT.TXT: Wert 4 ist „-“, keine ganze Zahl.
Check   out-letter              1 box+out  Lösung für SUDOKU-Nr. 3 ist nicht korrekt.|Grund: Zeile 23 von OUT.TXT: Wert 5 ist „x“, keine ganze Zahl.
Check   out-lf                  0 box+out  Alle Lösungen korrekt
Check   out-extra-empty-between 1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Zeile 11 von OUT.TXT ist leer statt 9 Werte zu halten.
Check   out-extra-empty-after   0 box+out  Alle Lösungen korrekt
Check   out-10                  1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Zeile 11 von OUT.TXT enthält den Wert 10; eine Antwort hat nur Werte von -9 bis 9.
Check   out-minus-10            1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Zeile 12 von OUT.TXT enthält den Wert -10; eine Antwort hat nur Werte von -9 bis 9.
Check   out-257                 1 box+out  Lösung für SUDOKU-Nr. 1 ist nicht korrekt.|Grund: Zeile 1 von OUT.TXT enthält den Wert 257; eine Antwort hat nur Werte von -9 bis 9.
Check   out-99999999999         1 box+out  Lösung für SUDOKU-Nr. 3 ist nicht korrekt.|Grund: Zeile 23 von OUT.TXT enthält den Wert 99999999999; eine Antwort hat nur Werte von -9 bis 9.
Check   out-8-values            1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Zeile 14 von OUT.TXT hat nur 8 Werte statt 9.
Check   out-wrong-digit         1 box+out  Lösung für SUDOKU-Nr. 1 ist nicht korrekt.|Grund: Zeile 1, Spalte 1: erwartet 6, gefunden 5 (kein vorgegebenes Feld).
Check   out-negated             1 box+out  Lösung für SUDOKU-Nr. 1 ist nicht korrekt.|Grund: Das Rätsel hat genau eine Lösung, die Antwort gibt aber mehrere Lösungen (negative Zahlen) an.
Check   out-repeated-digit      1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Die Ziffer 1 steht mehrmals in Zeile 1.
Check   out-digits-for-none     1 box+out  Lösung für SUDOKU-Nr. 3 ist nicht korrekt.|Grund: Das Rätsel hat keine Lösung, die Antwort enthält aber Ziffern, zuerst Zeile 1, Spalte 3: 7.
Check   out-long-line           1 box+out  Lösung für SUDOKU-Nr. 2 ist nicht korrekt.|Grund: Zeile 12 von OUT.TXT ist länger als die erlaubten 1024 Bytes.
Check   out-fifo                1 box+out  Lösung für SUDOKU-Nr. 1 ist nicht korrekt.|Grund: OUT.TXT ist keine gewöhnliche Datei, sondern ein FIFO.

Ende    none                    open time  -
Ende    st-missing              1 box+err  Ende: Die Datei Start.txt fehlt im Ordner @DIR@. Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-empty                1 box+err  Ende: Die Datei @DIR@/Start.txt ist leer; sie braucht vier Zeilen (Stunde, Minute, Sekunde, Millisekunde). Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-three-lines          1 box+err  Ende: Die Datei @DIR@/Start.txt hat nur 3 Zeilen; sie braucht vier (Stunde, Minute, Sekunde, Millisekunde). Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-truncated            1 box+err  Ende: In der Datei @DIR@/Start.txt ist Zeile 3 (Sekunde) leer. Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-word                 1 box+err  Ende: In der Datei @DIR@/Start.txt ist Zeile 2 (Minute) keine Zahl: „drei“. Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-letter               1 box+err  Ende: In der Datei @DIR@/Start.txt ist Zeile 4 (Millisekunde) keine Zahl: „O*“. Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-extra-empty-between  1 box+err  Ende: In der Datei @DIR@/Start.txt ist Zeile 2 (Minute) leer. Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.
Ende    st-lf                   open time  -
Ende    st-extra-empty-after    open time  -

Start   st-is-folder            1 err      Start: Die Datei @DIR@/Start.txt kann nicht ersetzt werden: ist ein Ordner. Es wurde keine neue Startzeit festgehalten.
Start   st-tmp-is-folder        1 err      Start: Die Datei @DIR@/Start.txt kann nicht angelegt werden (*Start.txt.tmp): ist ein Ordner. Es wurde keine neue Startzeit festgehalten.

Messlauf col-short              2 err      Messlauf: Fehler in sammlung.txt, Zeile 2: Die Zeile hat nur 80 Zeichen; ein Rätsel braucht 81.
Messlauf col-letter             2 err      Messlauf: Fehler in sammlung.txt, Zeile 3: Zeichen 5 ist „x“; ein Feld ist eine Ziffer 1 bis 9, oder „.“ oder „0“ wenn es leer ist.
Messlauf col-glued              2 err      Messlauf: Fehler in sammlung.txt, Zeile 1: Zeichen 82 ist „7“; nach den 81 Feldern darf nur nach einem Leerzeichen, Tabulator, „:“, „;“ oder „,“ noch etwas folgen.
Messlauf col-lone-cr            2 err      Messlauf: Fehler in sammlung.txt, Zeile 2: Zeichen 10 ist CR; ein Feld ist eine Ziffer 1 bis 9, oder „.“ oder „0“ wenn es leer ist.
Messlauf col-long-line          2 err      Messlauf: Fehler in sammlung.txt, Zeile 3: Die Zeile ist länger als 4096 Bytes.
Messlauf col-only-comments      2 err      Messlauf: Die Datei sammlung.txt enthält kein Rätsel.
Messlauf col-missing            2 err      Messlauf: Die Datei sammlung.txt kann nicht gelesen werden: Datei oder Ordner nicht vorhanden.
Messlauf in-is-folder           2 err      Messlauf: Die Datei IN.TXT kann nicht ersetzt werden: ist ein Ordner.

Build   in-missing              0 file     IN.TXT 517
Build   in-tmp-is-folder        1 box+err  Build: Die Datei IN.TXT kann nicht angelegt werden (@DIR@/IN.TXT.tmp): ist ein Ordner.
Build   in-is-folder            1 box+err  Build: Die Datei IN.TXT kann nicht ersetzt werden: ist ein Ordner.
'

# As the programs see it (getcwd), without symbolic links.
work=$(cd "$(mktemp -d "${TMPDIR:-/tmp}/kit-matrix.XXXXXX")" && pwd -P)
xvfb_pid=
cleanup() {
  [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
  if ((${failed:-0} == 0)); then rm -rf "$work"; else echo "The folders of the run are in $work"; fi
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# A private X server on the first free display; it writes the number once it accepts clients.
# -noreset: without it the server resets whenever its last client leaves, and the next program
# to start in that moment cannot connect.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
if [[ ! -s $work/display ]]; then
  echo "FAIL: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$(cat "$work/display")"
export DISPLAY
mkdir -m 700 "$work/runtime"

# ---- Fixtures: three puzzles (one solution, several, repeated givens), Quadrin's answers for
# them and a stamp from Start, all made once and copied into every case's folder.
fixture=$work/fixture
mkdir "$fixture"
rows() { printf '%s\r\n' "$@"; }
zeros=0,0,0,0,0,0,0,0,0
{
  rows 0,0,0,0,0,0,0,1,0 4,0,0,0,0,0,0,0,0 0,2,0,0,0,0,0,0,0 0,0,0,0,5,0,4,0,7 0,0,8,0,0,0,3,0,0 \
    0,0,1,0,9,0,0,0,0 3,0,0,4,0,0,2,0,0 0,5,0,1,0,0,0,0,0 0,0,0,8,0,6,0,0,0
  rows ""
  rows $zeros $zeros $zeros $zeros $zeros $zeros $zeros $zeros $zeros
  rows ""
  rows 5,5,0,0,0,0,0,0,0 $zeros $zeros $zeros $zeros $zeros $zeros $zeros $zeros
} >"$fixture/IN.TXT"
(cd "$fixture" && timeout 30 "$bin/Quadrin" && timeout 30 "$bin/Start") ||
  { echo "FAIL: Quadrin or Start could not make the fixtures" >&2; exit 1; }
# Three puzzles in the line format of the public collections.
printf '%s\n' \
  '.......1.4.........2...........5.4.7..8...3....1.9....3..4..2...5.1........8.6...' \
  '8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..' \
  '..............3.85..1.2.......5.7.....4...1...9.......5......73..2.1........4...9' \
  >"$fixture/sammlung.txt"

# ---- Damage, applied in the case's folder.
# Sets value `col` (1-based) of line `line` to `value`; with `old`, that value must be there.
set_value() {  # file line col value [old]
  awk -v line="$2" -v col="$3" -v value="$4" -v old="${5-}" 'BEGIN { FS = OFS = "," }
    NR == line { sub(/\r$/, ""); if (old != "" && $col != old) exit 3; $col = value; $0 = $0 "\r" }
    { print }' "$1" >"$1.new" || { echo "fixture: line $2 value $3 of $1 is not $5" >&2; return 1; }
  mv "$1.new" "$1"
}
empty_line_after() {  # file line
  awk -v line="$2" '{ print } NR == line { print "\r" }' "$1" >"$1.new" && mv "$1.new" "$1"
}
cut_to() {  # file bytes
  head -c "$2" "$1" >"$1.new" && mv "$1.new" "$1"
}
# Appends `count` commas to line `line`: values after the ninth are ignored, so only the length of
# the line is wrong.
long_line() {  # file line count
  awk -v line="$2" -v count="$3" 'NR == line { sub(/\r$/, ""); tail = sprintf("%" count "s", "")
    gsub(/ /, ",", tail); $0 = $0 tail "\r" } { print }' "$1" >"$1.new" && mv "$1.new" "$1"
}
lf_only() {  # file
  tr -d '\r' <"$1" >"$1.new" && mv "$1.new" "$1"
}

damage() {  # name
  case $1 in
    none) ;;
    in-missing) rm IN.TXT ;;
    in-empty) : >IN.TXT ;;
    in-truncated) cut_to IN.TXT $((173 + 5 * 19 + 7)) ;;  # in row 6 of puzzle 2
    in-letter)  # row 3 of puzzle 3, column 5
      printf x | dd of=IN.TXT bs=1 seek=$((2 * 173 + 2 * 19 + 4)) conv=notrunc status=none ;;
    in-lf) lf_only IN.TXT ;;
    in-extra-empty-between) empty_line_after IN.TXT 10 ;;
    in-extra-empty-after) printf '\r\n' >>IN.TXT ;;
    in-tmp-is-folder) mkdir IN.TXT.tmp ;;
    in-is-folder) rm IN.TXT && mkdir IN.TXT ;;
    out-missing) rm OUT.TXT ;;
    out-empty) : >OUT.TXT ;;
    out-truncated) cut_to OUT.TXT $((173 + 4 * 28 + 10)) ;;  # in row 5 of answer 2
    out-letter) set_value OUT.TXT 23 5 x 0 ;;
    out-lf) lf_only OUT.TXT ;;
    out-extra-empty-between) empty_line_after OUT.TXT 10 ;;
    out-extra-empty-after) printf '\r\n' >>OUT.TXT ;;
    out-10) set_value OUT.TXT 11 5 10 ;;
    out-minus-10) set_value OUT.TXT 12 3 -10 ;;
    # 257 has the low byte 1, the digit it replaces: a reader that keeps only the low 8 bits of a
    # value would take it for the right answer.
    out-257) set_value OUT.TXT 1 8 257 1 ;;
    out-99999999999) set_value OUT.TXT 23 4 99999999999 0 ;;
    out-8-values) sed -i '14s/,[^,]*\r$/\r/' OUT.TXT ;;
    out-wrong-digit) set_value OUT.TXT 1 1 5 6 ;;
    out-negated) set_value OUT.TXT 1 1 -6 6 ;;
    out-repeated-digit) set_value OUT.TXT 11 2 -1 -2 ;;  # the empty puzzle: -1 twice in row 1
    out-digits-for-none) set_value OUT.TXT 21 3 7 0 ;;
    out-long-line) long_line OUT.TXT 12 1100 ;;
    out-fifo) rm OUT.TXT && mkfifo OUT.TXT ;;  # no writer: opening it to read would wait
    col-short) sed -i '2s/.$//' sammlung.txt ;;
    col-letter) sed -i '3s/^\(....\)./\1x/' sammlung.txt ;;
    col-glued) sed -i '1s/$/7/' sammlung.txt ;;
    col-lone-cr) sed -i '2s/^\(.........\)./\1\r/' sammlung.txt ;;
    col-long-line) sed -i "3s/\$/ $(printf '%04100d' 0)/" sammlung.txt ;;
    col-only-comments) printf '# nichts\n\n' >sammlung.txt ;;
    col-missing) rm sammlung.txt ;;
    out-is-folder) rm OUT.TXT && mkdir OUT.TXT ;;
    st-missing) rm Start.txt ;;
    st-empty) : >Start.txt ;;
    st-three-lines) head -n 3 Start.txt >Start.new && mv Start.new Start.txt ;;
    st-truncated) { head -n 2 Start.txt && printf ' '; } >Start.new && mv Start.new Start.txt ;;
    st-word) sed -i '2s/.*/ drei \r/' Start.txt ;;
    st-letter) sed -i '4s/^ [0-9]/ O/' Start.txt ;;  # the letter O for a zero or another digit
    st-lf) lf_only Start.txt ;;
    st-extra-empty-between) empty_line_after Start.txt 1 ;;
    st-extra-empty-after) printf '\r\n' >>Start.txt ;;
    st-is-folder) rm Start.txt && mkdir Start.txt ;;
    st-tmp-is-folder) mkdir Start.txt.tmp ;;
    *) echo "unknown damage $1" >&2; return 1 ;;
  esac
}

# ---- Drivers. Each runs one program in $dir with its streams in $run/out and $run/err, and sets
# STATUS (the exit status, or "open" for a window that stayed open) and BOX (yes or no).

# In sanitizer builds, LeakSanitizer reports at exit a buffer that libdbus (Qt's link to the
# desktop bus) never frees, and turns the exit status into its own. Only that library is excused.
printf 'leak:libdbus-1.so\n' >"$work/leaks-outside-the-kit"
lsan_options=suppressions=$work/leaks-outside-the-kit:print_suppressions=0
env_for_programs=(env -u QT_QPA_PLATFORM "XDG_RUNTIME_DIR=$work/runtime" LC_ALL=C.UTF-8
  "LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}$lsan_options")

launch() {  # program [arguments...]
  : >"$run/out"
  : >"$run/err"
  (cd "$dir" && exec timeout 30 "${env_for_programs[@]}" "$bin/$1" "${@:2}" >"$run/out" 2>"$run/err") &
  pid=$!
  BOX=no
}

# Prints the id of the visible window whose title matches `regex`, waiting for it up to 10 s while
# the program runs. Fails when none comes.
await_window() {  # regex
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
    [[ -n $id ]] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

click() {  # window x y
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# The message box carries the program's name as its title; Return presses its OK.
close_box() {  # program
  local box
  if box=$(await_window "^$1\$"); then
    BOX=yes
    timeout 5 xdotool windowfocus --sync "$box" || true
    xdotool key Return
  fi
}

finish() {
  STATUS=0
  wait "$pid" || STATUS=$?
}

run_Quadrin() {
  launch Quadrin
  finish
}

run_Start() {
  launch Start
  finish
}

run_Check() {
  launch Check
  local window
  window=$(await_window '^Check - SUDOKU') && click "$window" 340 352  # "Start"
  close_box Check
  finish
}

run_Messlauf() {
  launch Messlauf --puzzles sammlung.txt --dir . --solver "$bin/Quadrin"
  finish
}

run_Build() {
  launch Build
  local window
  if window=$(await_window '^SUDOKU - Generator$'); then
    click "$window" 400 96  # txtAnzahl: three puzzles are enough
    xdotool key ctrl+a
    xdotool type 3
    click "$window" 388 408  # "OK"
  fi
  close_box Build
  finish
}

# Ende either prints the time and keeps its window open, or shows a message box and ends.
run_Ende() {
  launch Ende
  for _ in $(seq 300); do
    if [[ $(wc -l <"$run/out") -gt 0 ]]; then
      kill "$pid"
      wait "$pid" || true
      STATUS=open
      return
    fi
    if xdotool search --onlyvisible --name '^Ende$' >/dev/null 2>&1 || ! kill -0 "$pid" 2>/dev/null
    then
      break
    fi
    sleep 0.05
  done
  close_box Ende
  finish
}

# ---- The run.
failed=0
cases=0
while read -r program name status what expected; do
  [[ -n $program ]] || continue
  cases=$((cases + 1))
  dir=$work/$program-$name
  run=$work/streams-$program-$name
  mkdir "$dir" "$run"
  cp "$fixture"/* "$dir"
  (cd "$dir" && damage "$name")
  cp -a "$dir" "$run/before"

  "run_$program"

  problems=()
  pattern=${expected//@DIR@/$dir}
  pattern=${pattern//|/$'\n'}
  out=$(cat "$run/out")
  err=$(cat "$run/err")
  [[ $STATUS == "$status" ]] || problems+=("exit status $STATUS, expected $status")
  case $what in
    box*) [[ $BOX == yes ]] || problems+=("no message box") ;;
    *) [[ $BOX == no ]] || problems+=("an unexpected message box") ;;
  esac
  case $what in
    *err)
      # shellcheck disable=SC2053  # the expected text is a pattern
      [[ $err == $pattern && $err != *$'\n'* ]] || problems+=("standard error: ${err:-(empty)}")
      [[ -z $out ]] || problems+=("standard output: $out")
      ;;
    *out)
      # shellcheck disable=SC2053
      [[ $out == $pattern ]] || problems+=("standard output: ${out:-(empty)}")
      [[ -z $err ]] || problems+=("standard error: $err")
      ;;
    time)
      # Start wrote the stamp a moment ago.
      [[ $out =~ ^([0-9]+)\.[0-9]{3}\ Sek\.$ ]] && ((BASH_REMATCH[1] < 60)) ||
        problems+=("standard output: ${out:-(empty)}, expected the seconds since Start")
      [[ -z $err ]] || problems+=("standard error: $err")
      ;;
    box | file)
      [[ -z $out$err ]] || problems+=("standard output or error: $out$err")
      ;;
  esac
  if [[ $what == file ]]; then
    read -r file size <<<"$expected"
    [[ -f $dir/$file && $(wc -c <"$dir/$file") -eq $size ]] ||
      problems+=("$file is not a file of $size bytes")
  else
    # diff calls two FIFOs different even when neither was touched: a FIFO that is still one is as
    # it was.
    changes=$(diff -r "$run/before" "$dir" 2>&1 | grep -v ' is a fifo while file .* is a fifo$' ||
      true)
    [[ -z $changes ]] || problems+=("the folder changed: $changes")
  fi

  if ((${#problems[@]} == 0)); then
    printf 'ok    %-8s %-24s %s %s\n' "$program" "$name" "$status" "$what"
  else
    failed=$((failed + 1))
    printf 'FAIL  %-8s %-24s\n' "$program" "$name"
    printf '        %s\n' "${problems[@]}"
  fi
done <<<"$matrix"

echo "$cases cases, $failed failed"
((failed == 0))
