#!/usr/bin/env bash
# Makes docs/screenshot.png: kolo in its window on the bundled samples, the house coloured
# with clicks through xdotool, the window read back with xwd. Needs a built build/app/kolo,
# Xvfb, xdotool, x11-apps and imagemagick; runs under its own Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ "${1:-}" != --inside ]]; then
  exec "$root/tests/app/with_xvfb.sh" "$0" --inside
fi

"$root/build/app/kolo" >/dev/null 2>&1 &
kolo=$!
trap 'kill $kolo 2>/dev/null || true' EXIT
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$kolo" 2>/dev/null | head -n1 || true)
  [[ -n "$window" ]] && break
  sleep 0.1
done
sleep 2   # the folder loads once the window is up

# A palette cell by row and column, then the canvas points (client pixels) it colours.
paint() {
  local row=$1 col=$2
  shift 2
  xdotool mousemove --window "$window" $((651 + 12 * col + 6)) $((492 + 12 * row + 6)) click 1
  for point in "$@"; do
    xdotool mousemove --window "$window" "${point%,*}" "${point#*,}" click 1
    sleep 0.1
  done
}
paint 6 6 331,185                       # sky
paint 9 10 131,585 511,585              # grass
paint 0 9 211,475                       # wall
paint 2 4 231,345                       # roof
paint 7 10 398,265                      # chimney
paint 4 10 316,505                      # door
paint 3 0 218,408 248,408 218,436 248,436 386,408 416,408 386,436 416,436   # window panes
paint 0 2 316,315                       # round window
paint 0 4 101,225                       # sun
paint 3 7 316,585                       # path
paint 1 7 83,507 513,507 568,507        # tulips
xdotool mousemove --window "$window" 420 560   # the brush over the canvas
sleep 0.5
xwd -silent -id "$window" | convert xwd:- -crop 834x644+0+0 "$root/docs/screenshot.png"
