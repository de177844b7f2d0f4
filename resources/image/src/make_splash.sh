#!/bin/sh
# Renders splash.svg to ../splash.webp. Needs rsvg-convert (librsvg2-bin), cwebp
# (webp) and the font "Noto Sans CJK KR" (fonts-noto-cjk).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rsvg-convert -w 640 -h 360 "$here/splash.svg" -o "$tmp/splash.png"
cwebp -quiet -q 92 -m 6 "$tmp/splash.png" -o "$here/../splash.webp"
