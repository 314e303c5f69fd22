#!/usr/bin/env bash
# Installs the build into a fresh prefix, checks that every file the desktop looks for is
# there (every bundled sample picture among them), and runs the installed program on the
# samples it finds beside itself.
# Usage: install_tree.sh BUILD_DIR APP_ID SAMPLES_DIR
set -euo pipefail
build=$1
app_id=$2
samples=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/kolo
  share/kolo/samples/index.html
  "share/applications/$app_id.desktop"
  "share/metainfo/$app_id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$app_id.svg"
  share/man/man1/kolo.1.gz
  share/doc/kolo/copyright
)
for size in 16 24 32 48 64 128 256 512; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
# Every picture the bundled folder's page links.
mapfile -t linked < <(grep -o 'href="[^"]*"' "$samples/index.html" | sed 's/^href="//; s/"$//')
[[ ${#linked[@]} -gt 0 ]] || { echo "no pictures linked from $samples/index.html" >&2; exit 1; }
for picture in "${linked[@]}"; do
  expected+=("share/kolo/samples/$picture")
done
status=0
for file in "${expected[@]}"; do
  if [[ ! -s "$prefix/$file" ]]; then
    echo "missing after install: $file" >&2
    status=1
  fi
done

# Each PNG icon is exactly the size its folder names.
for size in 16 24 32 48 64 128 256 512; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  [[ -s "$png" ]] || continue
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $3 * 256 + $4, $7 * 256 + $8 }')
  if [[ "$width" != "$size" || "$height" != "$size" ]]; then
    echo "icon ${size}x${size} is ${width}x${height}" >&2
    status=1
  fi
done

# The installed program, started from elsewhere, finds its own samples.
(cd "$prefix" && "$prefix/bin/kolo" --headless --screenshot "$prefix/board.png")
if [[ ! -s "$prefix/board.png" ]]; then
  echo "the installed program wrote no screenshot" >&2
  status=1
fi
man -l "$prefix/share/man/man1/kolo.1.gz" >/dev/null 2>&1 || { echo "man page unreadable" >&2; status=1; }
exit $status
