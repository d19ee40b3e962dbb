#!/bin/sh
# Renders the icon packaging/quorvane.svg into the PNG sizes the package
# installs (packaging/quorvane-48.png, packaging/quorvane-256.png).
# Needs rsvg-convert (Debian package librsvg2-bin); the build itself does
# not, as the PNGs are kept in the repository.
set -eu
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || {
  echo "render-icon.sh: rsvg-convert is missing; install the package librsvg2-bin" >&2
  exit 1
}
for size in 48 256; do
  rsvg-convert -w "$size" -h "$size" packaging/quorvane.svg -o "packaging/quorvane-$size.png"
done
