#!/bin/sh
# Installs the Debian packages that building, testing and packaging need,
# when missing.
# Usage: scripts/install-deps.sh [--check] [extra-package ...]
# Runs apt-get directly as root, through sudo otherwise, and says so before
# it does. With --check it installs nothing: it names what is missing and
# fails.
set -eu

check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi

pkgs="g++ cmake ninja-build make libgtest-dev libgmock-dev libbenchmark-dev \
libcli11-dev libtbb-dev zlib1g-dev libhts-dev libisal-dev samtools snakemake qt6-base-dev libgl-dev xdg-utils fonts-liberation dpkg-dev file python3 $*"

missing=""
for p in $pkgs; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$check" -eq 1 ]; then
  echo "missing Debian packages:$missing" >&2
  echo "install them with 'make deps' (apt-get; through sudo when not root)" >&2
  echo "or: sudo apt-get install$missing" >&2
  exit 1
fi

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
  echo "installing with apt-get:$missing" >&2
else
  SUDO="sudo"
  echo "installing with sudo apt-get (sudo may ask for your password):$missing" >&2
fi
# env passes the setting through sudo, which clears the environment.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
