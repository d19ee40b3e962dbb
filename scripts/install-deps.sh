#!/bin/sh
# Installs the Debian packages that building and testing need, when missing.
# Usage: scripts/install-deps.sh [extra-package ...]
# Runs apt-get directly as root, through sudo otherwise.
set -eu

pkgs="g++ cmake ninja-build make libgtest-dev libgmock-dev libbenchmark-dev \
libcli11-dev libtbb-dev qt6-base-dev libgl-dev xdg-utils fonts-liberation $*"

missing=""
for p in $pkgs; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "installing:$missing" >&2
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
else
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
