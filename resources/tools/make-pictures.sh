#!/bin/sh
# Renders the program icon and the About box's cloud background from scratch (ImageMagick).
# The results are committed; run this only to change them.
set -e
cd "$(dirname "$0")/.."
convert -background none keyfold.svg -resize 48x48 keyfold-48.png
# A blue sky of soft clouds: fractal plasma, blurred and tinted, 90 x 300 pixels.
convert -seed 1103 -size 90x300 plasma:white-skyblue -blur 0x3 \
        -colorspace gray -normalize -colorspace sRGB -type TrueColor +level-colors '#2a5fc0,#e8f2ff' -quality 88 about-clouds.jpg
