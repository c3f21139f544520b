# Orders in C:\Palm for palm_import.e2e: two orders of seller 00001, one with
# a product of the sample company, one whose only item names no product.
mkdir -p "$DRIVE_C/Palm"
header() {  # key payment customer condition discount-kind discount
  printf '%-24s%-6s%-15s%-10s%-24s%-3s%-81s%s%s\r\n' "$1" "$2" "" "$3" "" "$4" "" "$5" "$6"
}
item() {  # key code quantity price (thousandths, 8 digits)
  printf '%-24s%-10s%-4s%s%-32s%s\r\n' "$1" "$2" "" "$3" "" "$4"
}
{ header 00001PALM000000000000001 0 C0001 1 P 000010000
  header 00001PALM000000000000002 1 C0002 7 A 000000000; } >"$DRIVE_C/Palm/Cabecalho.txt"
{ item 00001PALM000000000000001 7890000 00002000 00100000
  item 00001PALM000000000000002 NAOEXISTE 00001000 00001000; } >"$DRIVE_C/Palm/Itens.txt"
printf 'positivacao\r\n' >"$DRIVE_C/Palm/Positivacao.txt"
