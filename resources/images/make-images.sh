#!/usr/bin/env bash
# Draws the program icon (icon 128: 48, 32, 24 and 16 pixels) and the picture of
# the main window (bitmap 138: 170 x 63), both in 256 colours, and writes
# TalunR5Update.ico and TalunLogo.bmp beside this script.
#
# The drawing is made with ImageMagick's `convert`; pack-images.py turns the
# pixels into the 8-bit icon and bitmap files that the resource compiler takes.
# The results are committed, so a build needs neither tool; run this script
# again after changing the drawing and commit what it writes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

BODY='#2d2d2d'
EDGE='#111111'
SEAM='#9a9a9a'
ORANGE='#ff800a'   # the brand colour, as the window paints the word "Talun"
FONT=${TALUN_LOGO_FONT:-Liberation-Sans-Bold}

# The mouse, seen from above, on a 192 x 192 transparent canvas (four times the
# largest icon): cable, body, the seam between the two buttons, the wheel.
convert -size 192x192 xc:none \
  -fill none -stroke "$BODY" -strokewidth 9 \
  -draw "path 'M 96,40 C 96,18 118,10 150,6'" \
  -fill "$BODY" -stroke "$EDGE" -strokewidth 6 \
  -draw "roundrectangle 46,34 146,186 50,58" \
  -fill none -stroke "$SEAM" -strokewidth 6 \
  -draw "line 96,38 96,98" -draw "line 50,98 142,98" \
  -fill "$ORANGE" -stroke "$EDGE" -strokewidth 3 \
  -draw "roundrectangle 85,50 107,86 10,10" \
  -fill none -stroke '#5a5a5a' -strokewidth 5 \
  -draw "path 'M 62,118 C 62,150 70,166 84,174'" \
  "$work/mouse.png"

# The icon's four images: the mouse, its transparency as a 1-bit mask.
for size in 48 32 24 16; do
  convert "$work/mouse.png" -filter Lanczos -resize "${size}x${size}" \
    -channel A -threshold 50% +channel +dither -colors 255 \
    -depth 8 "RGBA:$work/icon-$size.rgba"
done

# The picture: the mouse and the word "Talun" on white, drawn at twice the size.
convert -size 340x126 xc:white \
  \( "$work/mouse.png" -resize 112x112 \) -geometry +8+7 -composite \
  -font "$FONT" -pointsize 76 -fill "$ORANGE" -stroke "$EDGE" -strokewidth 2 \
  -annotate +126+90 'Talun' \
  -fill "$BODY" -stroke none -draw "rectangle 128,104 330,110" \
  -filter Lanczos -resize 170x63\! +dither -colors 256 \
  -depth 8 "RGBA:$work/logo.rgba"

python3 "$here/pack-images.py" \
  --icon "$here/TalunR5Update.ico" \
  "$work/icon-48.rgba:48" "$work/icon-32.rgba:32" "$work/icon-24.rgba:24" "$work/icon-16.rgba:16" \
  --bitmap "$here/TalunLogo.bmp" "$work/logo.rgba:170x63"
