# setup: the product folder without the company used last
rm -f "$PRODUCT/C11.DAT"
