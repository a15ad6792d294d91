#!/usr/bin/env bash
# Draws the wizard's images with ImageMagick: the banner across the top of
# the pages (ui/banner.bmp, 460x54, 24-bit) and the progress page's icon
# (ui/linkwright.ico, two colours, 32x32 and 16x16). The results are
# committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")/.."
FONT_DIR=/usr/share/fonts/truetype/dejavu   # fonts-dejavu-core
BOLD=$FONT_DIR/DejaVuSans-Bold.ttf
PLAIN=$FONT_DIR/DejaVuSans.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Banner: a deep blue band fading to teal, a mark of two linked rings on the
# left, the maker's name above the product's name.
convert -size 460x54 gradient:'#0b2545'-'#13616b' -rotate 0 \
  -fill none -stroke '#f2b134' -strokewidth 4 \
  -draw 'roundrectangle 12,14 38,40 9,9' \
  -stroke '#ffffff' -draw 'roundrectangle 28,14 54,40 9,9' \
  -stroke none -fill '#f2b134' -draw 'rectangle 0,50 460,54' \
  -fill '#cfe3e6' -font "$PLAIN" -pointsize 12 -annotate +70+21 'Tarvel Brannock' \
  -fill '#ffffff' -font "$BOLD" -pointsize 22 -annotate +69+43 'Linkwright' \
  -fill '#9cc3c8' -font "$PLAIN" -pointsize 11 -gravity east \
  -annotate +12+4 'USB setup for handheld terminals' \
  -alpha off -type TrueColor BMP3:ui/banner.bmp

# Icon: two linked rings, dark on white, drawn at each size without
# smoothing so that two colours suffice and the small one stays crisp.
convert -size 32x32 xc:white +antialias -fill none -stroke '#0b2545' -strokewidth 3 \
  -draw 'circle 11,16 11,7' -draw 'circle 21,16 21,7' \
  -alpha off -type Palette -colors 2 "$work/32.png"
convert -size 16x16 xc:white +antialias -fill none -stroke '#0b2545' -strokewidth 1 \
  -draw 'circle 5,8 5,3' -draw 'circle 10,8 10,3' \
  -alpha off -type Palette -colors 2 "$work/16.png"
convert "$work/32.png" "$work/16.png" -alpha off -type Palette -colors 2 ui/linkwright.ico

file ui/banner.bmp ui/linkwright.ico
identify ui/banner.bmp ui/linkwright.ico
