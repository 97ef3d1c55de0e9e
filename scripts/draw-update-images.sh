#!/usr/bin/env bash
# Draws the update window's images into skin/png (ImageMagick): the two
# result icons (86x86) and the busy animation, eight 86x86 frames side by side.
set -euo pipefail
cd "$(dirname "$0")/../skin/png"

# A new version: a blue disc with a downward arrow.
convert -size 86x86 xc:none -fill '#2F7CF6' -draw "circle 43,43 43,3" \
        -fill '#FFFFFF' -draw "polygon 37,20 49,20 49,44 60,44 43,64 26,44 37,44" \
        -strip -depth 8 PNG32:ICON_UPDATE_NEWVER.png

# Nothing to do / done: a green disc with a tick.
convert -size 86x86 xc:none -fill '#3FB950' -draw "circle 43,43 43,3" \
        -stroke '#FFFFFF' -strokewidth 8 -fill none -draw "polyline 24,44 38,58 63,30" \
        -strip -depth 8 PNG32:ICON_UPDATE_OK.png

# Busy: a ring of eight dots, the bright one moving clockwise.
python3 - <<'PY'
import math, subprocess
frames = []
for f in range(8):
    args = []
    for d in range(8):
        a = math.radians(d * 45 - 90)
        x, y = 43 + 26 * math.cos(a), 43 + 26 * math.sin(a)
        alpha = max(40, 255 - ((f - d) % 8) * 30)
        args += ["-fill", "#2F7CF6%02X" % alpha, "-draw", "circle %.1f,%.1f %.1f,%.1f" % (x, y, x, y + 6)]
    name = "/tmp/update_busy_%d.png" % f
    subprocess.check_call(["convert", "-size", "86x86", "xc:none", *args, name])
    frames.append(name)
subprocess.check_call(["convert", *frames, "+append", "-strip", "-depth", "8", "PNG32:update_busy.png"])
for name in frames:
    subprocess.call(["rm", "-f", name])
PY
