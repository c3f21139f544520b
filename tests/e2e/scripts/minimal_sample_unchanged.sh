# check: start-up only reads the company master and C11.DAT of the minimal
# sample, and makes no file beside them in the product folder
[ "$(cat "$PRODUCT/F00R0.DAT")" = "$(printf '%-1000s' 00001)" ] || { echo "F00R0.DAT changed"; exit 1; }
[ "$(cat "$PRODUCT/C11.DAT")" = "$(printf '%-10s' 0)" ] || { echo "C11.DAT changed"; exit 1; }
extra=$(cd "$PRODUCT" && ls -A | grep -v -x -e F00R0.DAT -e C11.DAT -e R00)
[ -z "$extra" ] || { echo "new files in the product folder: $extra"; exit 1; }
