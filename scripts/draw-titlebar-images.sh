#!/usr/bin/env bash
# Draws the main window's title-bar buttons into skin/png (ImageMagick):
# hide to the notification area, settings, minimise and close. Each image
# stacks the normal, hot, pushed and disabled states top to bottom, 32x28
# each. The glyphs are light strokes of the width and colour of the dialogs'
# close cross (msgbox_close.png), on nothing in the normal state, so that
# their shape alone can be drawn in a system colour in high contrast.
# With a display scale as argument (draw-titlebar-images.sh 2) it draws the
# "@2x" variants instead.
set -euo pipefail
. "$(dirname "$0")/skin-scale.sh"
cd "$(dirname "$0")/../skin/png"

# The glyphs, centred on (16,14) of the 32x28 cell, in layout pixels: each
# fills the array `strokes` with ImageMagick drawing arguments.
glyph_close() { strokes=(-draw "stroke-linecap round line $(kp 11,9 21,19)" -draw "stroke-linecap round line $(kp 21,9 11,19)"); }
glyph_min() { strokes=(-draw "stroke-linecap round line $(kp 11,14 21,14)"); }
# An arrow down onto a tray: unlike minimise's single stroke.
glyph_hide() { strokes=(-draw "stroke-linecap round line $(kp 16,7 16,16)" -draw "stroke-linecap round stroke-linejoin round polyline $(kp 12,12 16,16 20,12)" -draw "stroke-linecap round line $(kp 10,20 22,20)"); }
# A wheel with eight teeth.
glyph_settings() {
  local a x1 y1 x2 y2
  strokes=(-draw "circle $(kp 16,14 16,10)")
  for a in 0 45 90 135 180 225 270 315; do
    read -r x1 y1 x2 y2 < <(awk -v a="$a" 'BEGIN { r = a * 3.14159265 / 180;
      printf "%.2f %.2f %.2f %.2f", 16 + 5 * cos(r), 14 + 5 * sin(r), 16 + 7.5 * cos(r), 14 + 7.5 * sin(r); print "" }')
    strokes+=(-draw "stroke-linecap round line $(kp "$x1,$y1" "$x2,$y2")")
  done
}

button() {  # name hot-colour pushed-colour
  local name=$1 hot=$2 pushed=$3 parts=() state tag bg fg
  local -a strokes
  "glyph_$name"
  for state in normal:none:'#AEB7C4' hot:"$hot":'#FFFFFF' pushed:"$pushed":'#FFFFFF' disabled:none:'#5A6270'; do
    IFS=: read -r tag bg fg <<<"$state"
    convert -size "$(k 32)x$(k 28)" xc:"$bg" -fill none -stroke "$fg" -strokewidth "$(k 2)" \
            "${strokes[@]}" "/tmp/titlebar_${name}_$tag.png"
    parts+=("/tmp/titlebar_${name}_$tag.png")
  done
  convert "${parts[@]}" -append -strip -depth 8 "PNG32:titlebar_${name}${suffix}.png"
  rm -f "${parts[@]}"
}

button hide '#2E343C' '#262B32'
button settings '#2E343C' '#262B32'
button min '#2E343C' '#262B32'
button close '#E0524A' '#B8403A'
