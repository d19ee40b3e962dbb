#!/bin/sh
# Draws the desktop window on the offscreen platform and writes its
# picture to docs/quorvane-window.png (or the file given).
# Usage: scripts/window-picture.sh [OUT.png]
set -eu
cd "$(dirname "$0")/.."
out="${1:-docs/quorvane-window.png}"
make build >/dev/null
QT_QPA_PLATFORM=offscreen ./build/quorvane-window-picture "$out"
echo "wrote $out"
