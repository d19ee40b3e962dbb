#!/bin/sh
# Installs the build into a temporary DESTDIR under two prefixes and checks
# the installed files: exactly the expected list, the help text and the
# desktop entry as in the sources, and a quorvane-map that runs there.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR WITH_WINDOW(0|1) VERSION
set -eu
cmake=$1 build=$2 src=$3 gui=$4 version=$5

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

# The files (and links) below root, one relative path a line, sorted.
listing() { (cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort); }

for prefix in /opt/quorvane-test /usr; do
  stage=$tmp/stage$(echo "$prefix" | tr / _)
  DESTDIR=$stage "$cmake" --install "$build" --prefix "$prefix" >"$tmp/log" 2>&1 ||
    { cat "$tmp/log" >&2; fail "cmake --install failed for prefix $prefix"; }
  p=${prefix#/}
  {
    echo "$p/bin/quorvane-map"
    if [ "$gui" = 1 ]; then
      echo "$p/bin/quorvane"
      echo "$p/share/applications/quorvane.desktop"
      echo "$p/share/icons/hicolor/256x256/apps/quorvane.png"
      echo "$p/share/icons/hicolor/48x48/apps/quorvane.png"
      echo "$p/share/icons/hicolor/scalable/apps/quorvane.svg"
      echo "$p/share/quorvane/Help_Quorvane.txt"
    fi
  } | LC_ALL=C sort >"$tmp/want"
  listing "$stage" >"$tmp/got"
  diff -u "$tmp/want" "$tmp/got" >&2 || fail "unexpected files installed for prefix $prefix"

  out=$("$stage/$p/bin/quorvane-map" --version) || fail "installed quorvane-map --version failed"
  [ "$out" = "quorvane-map $version" ] || fail "installed quorvane-map --version says '$out'"
  if [ "$gui" = 1 ]; then
    [ -x "$stage/$p/bin/quorvane" ] || fail "quorvane is not executable"
    cmp "$src/docs/Help_Quorvane.txt" "$stage/$p/share/quorvane/Help_Quorvane.txt" >&2 ||
      fail "installed help text differs from docs/Help_Quorvane.txt"
    desktop=$stage/$p/share/applications/quorvane.desktop
    grep -qx 'Exec=quorvane' "$desktop" || fail "the desktop entry does not start quorvane"
    grep -qx 'Icon=quorvane' "$desktop" || fail "the desktop entry does not name the icon"
    if command -v desktop-file-validate >/dev/null; then
      desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects the desktop entry"
    fi
  fi
done
echo "install_test: installed file lists as expected"
