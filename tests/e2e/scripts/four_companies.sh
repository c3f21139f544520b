# setup: four companies in the master (records 0 to 3: 00001, 00012, 00020,
# 00033) and the company used last is record 3
printf '%-1000s%-1000s%-1000s%-1000s' 00001 00012 00020 00033 >"$PRODUCT/F00R0.DAT"
printf '%-10s' 3 >"$PRODUCT/C11.DAT"
