# Sourced by the scripts that draw skin images: the display scale K from
# their first argument (1 when none), the file-name suffix for it ("@2x"),
# and k / kp, which scale numbers and "x,y" points written at 96 DPI.
K=${1:-1}
suffix=""
[ "$K" = 1 ] || suffix="@${K}x"
k() { awk -v k="$K" '{ for (i = 1; i <= NF; i++) { n = $i * k; printf "%s%g", (i > 1 ? " " : ""), n } }' <<<"$*"; }
kp() { local out=() p; for p in "$@"; do out+=("$(k "${p%,*}" | tr -d '\n'),$(k "${p#*,}")"); done; echo "${out[*]}"; }
