#!/usr/bin/env bash
# Draws the update window's images into skin/png (ImageMagick): the two
# result icons (86x86) and the busy animation, eight 86x86 frames side by side.
# With a display scale as argument (draw-update-images.sh 2) it draws the
# "@2x" variants instead.
set -euo pipefail
cd "$(dirname "$0")/../skin/png"
export K=${1:-1}
suffix=""
[ "$K" = 1 ] || suffix="@${K}x"
k() { awk -v k="$K" '{ for (i = 1; i <= NF; i++) printf "%s%g", (i > 1 ? " " : ""), $i * k }' <<<"$*"; }
kp() { local out=() p; for p in "$@"; do out+=("$(k "${p%,*}"),$(k "${p#*,}")"); done; echo "${out[*]}"; }
S="$(k 86)x$(k 86)"

# A new version: a blue disc with a downward arrow.
convert -size "$S" xc:none -fill '#2F7CF6' -draw "circle $(kp 43,43 43,3)" \
        -fill '#FFFFFF' -draw "polygon $(kp 37,20 49,20 49,44 60,44 43,64 26,44 37,44)" \
        -strip -depth 8 "PNG32:ICON_UPDATE_NEWVER${suffix}.png"

# Nothing to do / done: a green disc with a tick.
convert -size "$S" xc:none -fill '#3FB950' -draw "circle $(kp 43,43 43,3)" \
        -stroke '#FFFFFF' -strokewidth "$(k 8)" -fill none -draw "polyline $(kp 24,44 38,58 63,30)" \
        -strip -depth 8 "PNG32:ICON_UPDATE_OK${suffix}.png"

# Busy: a ring of eight dots, the bright one moving clockwise.
python3 - "$suffix" <<'PY'
import math, os, subprocess, sys
K = float(os.environ["K"])
frames = []
for f in range(8):
    args = []
    for d in range(8):
        a = math.radians(d * 45 - 90)
        x, y = K * (43 + 26 * math.cos(a)), K * (43 + 26 * math.sin(a))
        alpha = max(40, 255 - ((f - d) % 8) * 30)
        args += ["-fill", "#2F7CF6%02X" % alpha, "-draw", "circle %.1f,%.1f %.1f,%.1f" % (x, y, x, y + 6 * K)]
    name = "/tmp/update_busy_%d.png" % f
    subprocess.check_call(["convert", "-size", "%dx%d" % (round(86 * K), round(86 * K)), "xc:none", *args, name])
    frames.append(name)
subprocess.check_call(["convert", *frames, "+append", "-strip", "-depth", "8", "PNG32:update_busy%s.png" % sys.argv[1]])
for name in frames:
    subprocess.call(["rm", "-f", name])
PY
