# The exchange folder of the Palm job, C:\Palm, and the folder the batch
# program exports into for the comparison.
mkdir -p "$DRIVE_C/Palm" "$DRIVE_C/e2e/batch"
