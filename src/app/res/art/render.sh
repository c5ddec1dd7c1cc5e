#!/bin/sh
# Turns the picture sources of this folder into the formats the resource
# compiler takes; run by the build (cmake/pictures.cmake).
#   render.sh icon OUT.ico SOURCE@SIZE...   one 256-colour image per size
#   render.sh glyph OUT.bmp SOURCE.svg      a 16 x 16 button glyph, 8 bits
# Every picture is mapped onto the 216 colours of the web palette without
# dithering, so that a 256-colour display (Windows 2000's default on many
# machines) shows it as drawn. Icons keep a 1-bit mask; glyphs stand on
# RGB(192,192,192), which LoadImage(LR_LOADMAP3DCOLORS) turns into the
# user's button face.
set -eu
kind=$1 out=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
render() {  # SOURCE SIZE OUT.png: transparent background, hard alpha, web colours
  case $1 in
    *.mvg) convert -background none +antialias "MVG:$1" -resize "$2x$2!" "$tmp/raw.png" ;;
    *) convert -background none -density "$((72 * $2 / $(identify -format %w "$1")))" "$1" \
         -resize "$2x$2!" "$tmp/raw.png" ;;
  esac
  convert "$tmp/raw.png" \( +clone -alpha extract -threshold 50% \) \
    \( -clone 0 -alpha off +dither -remap netscape: \) -delete 0 +swap \
    -alpha off -compose CopyOpacity -composite -depth 8 "PNG8:$3"
}
case $kind in
  icon)
    n=0
    for spec in "$@"; do
      n=$((n + 1))
      render "${spec%@*}" "${spec##*@}" "$tmp/$n.png"
      set -- "$@" "$tmp/$n.png"
    done
    shift "$n"
    icotool -c -o "$out" "$@"
    ;;
  glyph)
    render "$1" 16 "$tmp/g.png"
    convert "$tmp/g.png" -background "rgb(192,192,192)" -flatten -type Palette -colors 256 \
      "BMP3:$out"
    ;;
  *) echo "render.sh: unknown kind $kind" >&2; exit 2 ;;
esac
