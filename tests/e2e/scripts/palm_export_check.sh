# After palm_export.e2e: vri-batch.exe exports the same company under Wine
# into C:\e2e\batch; every one of the sixteen tables must be byte-identical
# to the dialog's, and the master tables must not be empty.
WINEPREFIX=${WINEPREFIX:-$(dirname "$bin")/wineprefix} \
  "$repo/tools/wine-run.sh" "$bin/vri-batch.exe" --company 00001 palm-export \
  --folder 'C:\e2e\batch' >"$WORK/batch.out" 2>&1 ||
  { cat "$WORK/batch.out"; echo "palm_export_check: vri-batch palm-export failed"; exit 1; }
for t in Fornecedor Cliente Produto TabPreco_Produto Estoque Produto_Adic Vendedor Condicao \
         TipoOperacao Categoria GrupoProduto TabCondicao SubGrupoProduto TabPreco Rota Regiao; do
  cmp "$DRIVE_C/Palm/$t.txt" "$DRIVE_C/e2e/batch/$t.txt" ||
    { echo "palm_export_check: $t.txt differs between the dialog and vri-batch"; exit 1; }
done
for t in Fornecedor Cliente Produto Estoque Vendedor Condicao; do
  [ -s "$DRIVE_C/Palm/$t.txt" ] || { echo "palm_export_check: $t.txt is empty"; exit 1; }
done
# the folder's export lock stays, and nothing else of a run
leftover=$(ls "$DRIVE_C/Palm" | grep -v '\.txt$' | grep -vx 'VriExport.lck')
[ -z "$leftover" ] || { echo "palm_export_check: left in C:\\Palm: $leftover"; exit 1; }
echo "palm_export_check: the sixteen tables are identical"
