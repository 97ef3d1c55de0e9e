#!/usr/bin/env bash
# Draws the setup program's pictures into installer/art (ImageMagick), in the
# style of the program's dial: a dark face, the stock range in green, the
# turbo range in amber, the overclocked range in red, a light needle.
#   welcome.bmp  164x314  welcome and finish pages (welcome@2x.bmp: 328x628)
#   header.bmp   150x57   the other pages' header   (header@2x.bmp: 300x114)
# The welcome picture carries the name only: clock figures there would read
# as the user's own processor's, which the setup program does not know. The
# header's round icon keeps a margin of 6 px (12 px) to the band's top,
# bottom and right edge, so it does not touch them.
# The setup compiler takes 24-bit BMP files. NSIS 3.08 shows one picture at
# every display scale, so the setup program uses the 100 % files; the 200 %
# ones are drawn for a compiler that can pick by scale.
set -euo pipefail
cd "$(dirname "$0")/../installer/art"

# "x,y x,y ...": each number times k
kp() { local k=$1; shift; awk -v k="$k" '{ for (i = 1; i <= NF; i++) { split($i, p, ","); printf "%s%g,%g", (i > 1 ? " " : ""), p[1] * k, p[2] * k } }' <<<"$*"; }
kn() { awk -v k="$1" -v n="$2" 'BEGIN { printf "%g", n * k }'; }

# A pie slice of the circle (cx, cy, r) from angle a0 to a1 (degrees,
# clockwise from the right), scaled by k. (ImageMagick 6 closes an open
# path when it strokes it, so the dial's bands are slices with the face
# drawn over their middle.)
slice() {  # k cx cy r a0 a1
  awk -v k="$1" -v cx="$2" -v cy="$3" -v r="$4" -v a0="$5" -v a1="$6" 'BEGIN {
    d = atan2(0, -1) / 180
    large = (a1 - a0 > 180) ? 1 : 0
    printf "path \"M %g,%g L %g,%g A %g,%g 0 %d,1 %g,%g Z\"", k * cx, k * cy,
           k * (cx + r * cos(a0 * d)), k * (cy + r * sin(a0 * d)),
           k * r, k * r, large, k * (cx + r * cos(a1 * d)), k * (cy + r * sin(a1 * d)) }'
}

# A dial centred at (cx, cy) with radius r on a face of colour `face`, in a
# picture of k times the size: its drawing arguments, in the array DIAL.
dial() {  # k cx cy r face
  local k=$1 cx=$2 cy=$3 r=$4 face=$5
  local band=$((r / 7 + 2))
  DIAL=(-stroke none
        -fill '#3A414A' -draw "$(slice "$k" "$cx" "$cy" "$r" 135 405)"
        -fill '#A4D975' -draw "$(slice "$k" "$cx" "$cy" "$r" 135 280)"
        -fill '#FCB547' -draw "$(slice "$k" "$cx" "$cy" "$r" 284 322)"
        -fill '#FA6948' -draw "$(slice "$k" "$cx" "$cy" "$r" 326 372)"
        -fill "$face" -draw "circle $(kp "$k" "$cx,$cy $cx,$((cy + r - band))")"
        -stroke '#F2F4F7' -strokewidth "$(kn "$k" "$((r / 14 + 1))")"
        -draw "stroke-linecap round line $(kp "$k" "$cx,$cy") $(kp "$k" "$((cx + r * 55 / 100)),$((cy - r * 55 / 100))")"
        -stroke none -fill '#F2F4F7' -draw "circle $(kp "$k" "$cx,$cy $cx,$((cy + r / 8 + 1))")")
}

for k in 1 2; do
  suffix=""; [ "$k" = 1 ] || suffix="@${k}x"
  dial "$k" 82 128 54 '#1E2228'
  convert -size "$(kn "$k" 164)x$(kn "$k" 314)" xc:'#1E2228' "${DIAL[@]}" \
          -font DejaVu-Sans-Bold -pointsize "$(kn "$k" 20)" -fill '#E6E9ED' -stroke none \
          -gravity north -annotate "+0+$(kn "$k" 214)" 'Velotune' \
          -type TrueColor -strip "BMP3:welcome${suffix}.bmp"
  dial "$k" 122 28 16 '#1E2228'
  convert -size "$(kn "$k" 150)x$(kn "$k" 57)" xc:'#FFFFFF' \
          -fill '#1E2228' -stroke none -draw "circle $(kp "$k" "122,28 122,7")" "${DIAL[@]}" \
          -type TrueColor -strip "BMP3:header${suffix}.bmp"
done
