#!/bin/bash
# Runs an end-to-end script of the fiscal printer job (run-e2e.sh with the
# options after --) and then checks the Sintegra file it left in the Wine
# prefix's drive C: and the request the printer library stand-in was given.
#
#   fiscal_check.sh --month MM/YYYY [--cep DIGITS] -- RUN-E2E-OPTIONS... SCRIPT
#
# The file must hold records of 126 characters, each ended by CR LF, in the
# order of their sort keys (type 60 by day, printer and subtype M A D I), with
# record 10 covering the month; the library must have been asked for that
# month (and that CEP).
set -u
here=$(cd "$(dirname "$0")" && pwd)
month="" cep=""
while [ $# -gt 0 ]; do
  case "$1" in
    --month) month=$2; shift 2 ;;
    --cep) cep=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "fiscal_check: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$month" ] || { echo "fiscal_check: --month is needed" >&2; exit 2; }
bash "$here/run-e2e.sh" "$@" || exit 1

bin=""
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[$i]}" = --bin ] && bin=${args[$((i + 1))]}
done
bin=$(cd "$bin" && pwd)
: "${WINEPREFIX:=$(dirname "$bin")/wineprefix}"
file="$WINEPREFIX/drive_c/Kmar/Arquivos/Sintegra.txt"
log="$WINEPREFIX/drive_c/e2e/bin/Bemafi32.log"
fail() { echo "fiscal_check: FAIL $*"; exit 1; }
[ -s "$file" ] || fail "no Sintegra file at $file"
mm=${month%/*} yyyy=${month#*/}

LC_ALL=C awk -v first="${yyyy}${mm}01" '
  function key(line,   k, s) {
    k = substr(line, 1, 2)
    if (k != "60") return sprintf("%-31s", k)
    s = substr(line, 3, 1)
    return "60" substr(line, 4, 28) (s == "M" ? 0 : s == "A" ? 1 : s == "D" ? 2 : s == "I" ? 3 : 4)
  }
  {
    if (substr($0, length($0), 1) != "\r") { print "line " NR " does not end in CR LF"; bad = 1 }
    line = substr($0, 1, length($0) - 1)
    if (length(line) != 126) { print "line " NR " has " length(line) " characters"; bad = 1 }
    k = key(line) line
    if (NR > 1 && k < last) { print "line " NR " stands before line " NR - 1; bad = 1 }
    last = k
    if (substr(line, 1, 2) == "10" && substr(line, 108, 8) != first) {
      print "record 10 starts on " substr(line, 108, 8) ", expected " first; bad = 1
    }
  }
  END { exit bad }' "$file" || fail "$file is not in order"
head -c 2 "$file" | grep -q '^10' || fail "the file does not start with record 10"
tail -n 1 "$file" | grep -q '^90' || fail "the file does not end with record 90"

request=$(grep '^RelatorioSintegraMFD' "$log" | tail -n 1)
case "$request" in
  *"|$mm|$yyyy|"*) ;;
  *) fail "the library was asked for: $request" ;;
esac
if [ -n "$cep" ]; then
  case "$request" in
    *"|$cep|"*) ;;
    *) fail "the library was given another CEP: $request" ;;
  esac
fi
echo "fiscal_check: $file in order, for $month"
