#!/usr/bin/env bash
# Draws the message box's button images into skin/png (ImageMagick).
# Each image stacks its normal, hot and pushed states top to bottom.
set -euo pipefail
cd "$(dirname "$0")/../skin/png"

button() {  # name normal hot pushed
  local name=$1; shift
  local parts=()
  for colour in "$@"; do
    convert -size 96x28 xc:none -fill "$colour" -draw "roundrectangle 0,0 95,27 5,5" \
            -fill '#FFFFFF18' -draw "roundrectangle 1,1 94,13 4,4" "/tmp/part_$colour.png"
    parts+=("/tmp/part_$colour.png")
  done
  convert "${parts[@]}" -append -strip -depth 8 "PNG32:$name"
  rm -f "${parts[@]}"
}

button msgbox_btn_ok.png '#2F7CF6' '#4A90FF' '#1F5FCC'
button msgbox_btn_cancel.png '#3A4656' '#4A5868' '#2C3644'

# The close cross: light on the title bar, white on red when hot or pushed.
parts=()
for state in normal:none:'#AEB7C4' hot:'#E0524A':'#FFFFFF' pushed:'#B8403A':'#FFFFFF'; do
  IFS=: read -r tag bg fg <<<"$state"
  convert -size 36x36 xc:"$bg" -stroke "$fg" -strokewidth 2 \
          -draw "line 13,13 23,23" -draw "line 23,13 13,23" "/tmp/close_$tag.png"
  parts+=("/tmp/close_$tag.png")
done
convert "${parts[@]}" -append -strip -depth 8 PNG32:msgbox_close.png
rm -f "${parts[@]}"
