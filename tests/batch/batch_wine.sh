#!/bin/bash
# vri-batch.exe as a Brazilian support technician runs it under Wine: from a
# .bat file written in code page 850 on a code-page-850 console, in a start
# folder with accents, with a Brazilian locale (ANSI code page 1252).
# Checks the bytes the printer library stand-in received, the files written,
# the text on the console and in a redirected file, help and usage errors.
#   batch_wine.sh BIN_DIR
set -u
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FALHOU: $1"; fail=1; fi
}
has() { grep -qF -- "$2" "$1"; }
hasnt() { ! grep -qF -- "$2" "$1"; }

# A Brazilian locale for Wine (ANSI 1252, OEM 850), made privately when the
# system has none.
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  mkdir -p "$work/locale"
  localedef -i pt_BR -f UTF-8 "$work/locale/pt_BR.UTF-8" >/dev/null 2>&1 || true
  export LOCPATH="$work/locale"
fi
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 WINEDEBUG=-all
: "${WINEPREFIX:=$(dirname "$bin")/wineprefix}"
export WINEPREFIX
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }

start="$work/Pasta Ação"
mkdir -p "$start/raiz/Kmar/Vri" "$start/simulador" "$start/Saída Palm"
cp "$bin/stand-in/Bemafi32.dll" "$start/simulador/"
exe=$(winepath -w "$bin/vri-batch.exe" 2>/dev/null)

# The .bat file, in code page 850 as the console's editor would save it.
python3 - "$start" "$exe" <<'PY'
import sys
start, exe = sys.argv[1], sys.argv[2]
bat = ('@echo off\r\nchcp 850 >nul\r\n'
       f'"{exe}" --root raiz --messages msgs.json sintegra --month 03/2026'
       ' --name "Mercearia São João Ltda" --city "São Paulo" --library simulador\\Bemafi32.dll\r\n'
       'echo rc=%ERRORLEVEL%\r\n'
       f'"{exe}" --root raiz palm-import --folder "Saída Palm"\r\n'
       'echo rc=%ERRORLEVEL%\r\n'
       f'"{exe}" --root raiz sintegra --month 03/2026 --name "Loja ╬"\r\n'
       'echo rc=%ERRORLEVEL%\r\n'
       f'"{exe}" /?\r\n'
       'echo rc=%ERRORLEVEL%\r\n'
       f'"{exe}" sintegra --help\r\n'
       'echo rc=%ERRORLEVEL%\r\n')
open(start + '/t.bat', 'wb').write(bat.encode('cp850'))
con = ('@echo off\r\nchcp 850 >nul\r\n'
       f'"{exe}" --root nada palm-export\r\n'
       'echo rc=%ERRORLEVEL%\r\n')
open(start + '/c.bat', 'wb').write(con.encode('cp850'))
PY

cd "$start" || exit 1
timeout 120 wine cmd /c t.bat >out.txt 2>err.txt
log="$start/simulador/Bemafi32.log"
check "the job ran (exit 0)" grep -q '^rc=0' out.txt
check "the library got the name in Windows-1252" has "$log" $'|Mercearia S\xe3o Jo\xe3o Ltda|'
check "the library got the city in Windows-1252" has "$log" $'|S\xe3o Paulo|'
check "no letter became '?'" hasnt "$log" '?'
sintegra="$start/raiz/Kmar/Arquivos/Sintegra.txt"
check "the report was written below the root" test -f "$sintegra"
check "record 10 holds the name" has "$sintegra" $'Mercearia S\xe3o Jo\xe3o Ltda'
check "the messages file is in the start folder, UTF-8" has msgs.json 'Arquivo Sintegra.txt gerado com sucesso.'
check "redirected output is UTF-8" has out.txt 'versão da biblioteca: 4.0.0 Simulador'
check "redirected errors are UTF-8 with Portuguese prefixes" has err.txt 'informação [Vri] Arquivo Sintegra.txt gerado com sucesso.'
check "an accented exchange folder, nothing to import (exit 3)" has out.txt 'Saída Palm não tem Cabecalho.txt nem Itens.txt'
check "exit 3" grep -q '^rc=3' out.txt
check "a character outside Windows-1252 is a usage error (exit 2)" grep -q '^rc=2' out.txt
check "the usage error names the argument" has err.txt 'o argumento 7 (valor de --name) tem um caractere que não existe no Windows-1252'
check "/? answers" has out.txt 'Uso: vri-batch [--root PASTA]'
check "sintegra --help answers" has out.txt 'Uso: vri-batch [opções gerais] sintegra --month MM/AAAA'
check "help and version exit 0" test "$(grep -c '^rc=0' out.txt)" -eq 3

# On a console (a terminal) the text is written as wide characters: right
# whatever the console's code page.
timeout 120 script -qc "stty cols 400; wine cmd /c c.bat" /dev/null >console.txt 2>&1
check "console: the message in one line" has console.txt 'erro [Desenvolvimento] Erro ao mudar a pasta.'
check "console: accents right on code page 850" has console.txt 'a pasta não existe'
check "console: the detail names the folder" has console.txt 'detalhe: C:\Kmar\Vri ('
check "console: no UTF-8 read as code page 850" hasnt console.txt '├'
check "console: exit 1" grep -q 'rc=1' console.txt

if [ $fail -ne 0 ]; then
  echo "--- out"; cat out.txt; echo "--- err"; cat err.txt; echo "--- console"; cat console.txt
fi
exit $fail
