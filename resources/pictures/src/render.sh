#!/bin/sh
# Renders the picture sources into the PNGs the program compiles in (needs rsvg-convert, from
# Debian's librsvg2-bin) and stores them the way they decode fastest at start-up: unfiltered rows
# with light compression, in true colour (ImageMagick). Only needed after changing a source; the
# PNGs are committed.
set -e
cd "$(dirname "$0")"
# render NAME WIDTH HEIGHT [PNG24 for a picture without transparency]
render() {
  rsvg-convert -w "$2" -h "$3" "$1.svg" -o "$1.tmp.png"
  convert "$1.tmp.png" -define png:compression-level=1 -define png:compression-filter=0 \
    "${4:-PNG32}:../$1.png"
  rm -f "$1.tmp.png"
}
render icon 64 64
render background 565 464 PNG24
render title 388 31
render help 32 27
render hide 32 27
render close 32 27
render connection1 145 105
render connection2 145 105
render settings 145 105
render marker 20 20
# The help page's link buttons.
render mail 64 64
render web 64 64
render web2 64 64
# The tray icon's five frames (16 by 16 on screen, drawn at twice the size for sharpness).
for frame in 1 2 3 4 5; do render "tray$frame" 32 32; done
# The tray menu's item pictures (16 by 16 on screen).
for item in show rds dynamic settings info close; do render "menu_$item" 32 32; done
# The installed application icon, in the sizes desktops look for (the SVG is installed as well).
mkdir -p ../../../packaging/icons
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w $size -h $size icon.svg -o "../../../packaging/icons/rdspanel-$size.png"
done
