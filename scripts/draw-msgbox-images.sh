#!/usr/bin/env bash
# Draws the message box's and the dialogs' control images into skin/png
# (ImageMagick). Each button image stacks its normal, hot, pushed and
# disabled states top to bottom; the toggle marks sit side by side.
# With a display scale as argument (draw-msgbox-images.sh 2) it draws the
# "@2x" variants instead.
set -euo pipefail
. "$(dirname "$0")/skin-scale.sh"
cd "$(dirname "$0")/../skin/png"

button() {  # name normal hot pushed
  local name=$1; shift
  local parts=() w h
  w=$(k 96); h=$(k 28)
  for colour in "$@"; do
    convert -size "${w}x${h}" xc:none -fill "$colour" -draw "roundrectangle $(kp 0,0 95,27) $(kp 5,5)" \
            -fill '#FFFFFF18' -draw "roundrectangle $(kp 1,1 94,13) $(kp 4,4)" "/tmp/part_$colour.png"
    parts+=("/tmp/part_$colour.png")
  done
  convert "${parts[@]}" -append -strip -depth 8 "PNG32:${name}${suffix}.png"
  rm -f "${parts[@]}"
}

# Disabled: the muted slate of a busy button, so that the disabled text on it
# reads as "not now" rather than as a faint bright button.
button msgbox_btn_ok '#2F7CF6' '#4A90FF' '#1F5FCC' '#2A3340'
button msgbox_btn_cancel '#3A4656' '#4A5868' '#2C3644' '#2A3340'

# Radio and check marks, 16x16 each: radio off, radio on, check off, check on.
# The chosen state differs in shape (a dot, a tick), not only in colour.
ring='#AEB7C4'; accent='#2F7CF6'
convert -size "$(k 64)x$(k 16)" xc:none -strokewidth "$(k 1.5)" \
        -fill none -stroke "$ring" -draw "circle $(kp 7.5,7.5 7.5,1.25)" \
        -stroke "$accent" -draw "circle $(kp 23.5,7.5 23.5,1.25)" \
        -stroke none -fill '#FFFFFF' -draw "circle $(kp 23.5,7.5 23.5,3.75)" \
        -fill none -stroke "$ring" -draw "roundrectangle $(kp 33.25,1.25 46.75,14.75) $(kp 2.5,2.5)" \
        -fill "$accent" -stroke "$accent" -draw "roundrectangle $(kp 49.25,1.25 62.75,14.75) $(kp 2.5,2.5)" \
        -fill none -stroke '#FFFFFF' -strokewidth "$(k 2)" -draw "stroke-linecap round line $(kp 52,8 55,11)" \
        -draw "stroke-linecap round line $(kp 55,11 60,4.5)" \
        -strip -depth 8 "PNG32:toggle_marks${suffix}.png"

# The close cross: light on the title bar, white on red when hot or pushed.
parts=()
for state in normal:none:'#AEB7C4' hot:'#E0524A':'#FFFFFF' pushed:'#B8403A':'#FFFFFF'; do
  IFS=: read -r tag bg fg <<<"$state"
  convert -size "$(k 36)x$(k 36)" xc:"$bg" -stroke "$fg" -strokewidth "$(k 2)" \
          -draw "line $(kp 13,13 23,23)" -draw "line $(kp 23,13 13,23)" "/tmp/close_$tag.png"
  parts+=("/tmp/close_$tag.png")
done
convert "${parts[@]}" -append -strip -depth 8 "PNG32:msgbox_close${suffix}.png"
rm -f "${parts[@]}"
