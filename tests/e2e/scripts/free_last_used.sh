# setup: as four_companies.sh, but record 3, the company used last, is free
. "$(dirname "${BASH_SOURCE[0]}")/four_companies.sh"
printf '%-999s+' 00033 | dd of="$PRODUCT/F00R0.DAT" bs=1000 seek=3 conv=notrunc status=none
