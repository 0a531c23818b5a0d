#!/bin/sh
# Renders the artwork into ../icons/SIZE.png and packs those into
# ../calculadora.ico, largest image first. A developer tool: the build uses
# the committed files.
# Needs rsvg-convert (librsvg2-bin), icotool (icoutils) and DejaVu Sans.
set -eu
cd "$(dirname "$0")"
icons=../icons
mkdir -p "$icons"

# Each size from the drawing made for it: labelled keys down to 96 pixels,
# plain keys down to 48, pixel-drawn below.
render() { rsvg-convert --width "$2" --height "$2" "$1" --output "$icons/$2.png"; }
for size in 256 128 96; do render large.svg "$size"; done
for size in 72 64 48; do render medium.svg "$size"; done
for size in 32 24 16; do render "small$size.svg" "$size"; done

# The 256-pixel image goes in as PNG; the others as 32-bit bitmaps.
icotool --create --output=../calculadora.ico \
    --raw="$icons/256.png" \
    --bit-depth=32 "$icons/128.png" "$icons/96.png" "$icons/72.png" "$icons/64.png" \
    "$icons/48.png" "$icons/32.png" "$icons/24.png" "$icons/16.png"
