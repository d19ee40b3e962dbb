#!/bin/sh
# Builds the Debian package with CPack into a temporary folder and checks
# it. "contents": its name, version and dependencies, exactly the expected
# files under /usr, and a quorvane-map that runs from the unpacked tree.
# "dpkg": installs it with dpkg -i, runs /usr/bin/quorvane-map --version and
# removes it again; this changes the machine, so it runs only as root with
# QUORVANE_TEST_DPKG=1 and when no quorvane package is installed already.
# Exits 77 (skipped) when a tool it needs is missing or the dpkg part may
# not run.
# Usage: package_test.sh CPACK BUILD_DIR SOURCE_DIR WITH_WINDOW(0|1) VERSION contents|dpkg
set -eu
cpack=$1 build=$2 src=$3 gui=$4 version=$5 mode=$6

skip() { echo "package_test: skipped: $*"; exit 77; }
fail() { echo "package_test: $*" >&2; exit 1; }

for tool in dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || skip "$tool is missing (Debian packages dpkg-dev, file)"
done
if [ "$mode" = dpkg ]; then
  [ "${QUORVANE_TEST_DPKG:-0}" = 1 ] || skip "set QUORVANE_TEST_DPKG=1 to install the package with dpkg -i"
  [ "$(id -u)" -eq 0 ] || skip "dpkg -i needs root"
  if dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -q "ok installed"; then
    skip "a quorvane package is installed already; it is left alone"
  fi
fi

tmp=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then dpkg -r quorvane >/dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/log" 2>&1 ||
  { cat "$tmp/log" >&2; fail "cpack failed"; }
set -- "$tmp"/quorvane_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one package, found: $*"
deb=$1

case $mode in
contents)
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = quorvane ] || fail "Package is '$(field Package)'"
  [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
  depends=$(field Depends)
  want="libc6 libstdc++6"
  [ "$gui" = 1 ] && want="$want libqt6core6 libqt6widgets6 qt6-qpa-plugins"
  for d in $want; do
    echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -qx "$d" ||
      fail "Depends lacks $d: $depends"
  done

  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort >"$tmp/got"
  {
    echo "./usr/bin/quorvane-map"
    if [ "$gui" = 1 ]; then
      echo "./usr/bin/quorvane"
      echo "./usr/share/applications/quorvane.desktop"
      echo "./usr/share/icons/hicolor/256x256/apps/quorvane.png"
      echo "./usr/share/icons/hicolor/48x48/apps/quorvane.png"
      echo "./usr/share/icons/hicolor/scalable/apps/quorvane.svg"
      echo "./usr/share/quorvane/Help_Quorvane.txt"
    fi
  } | LC_ALL=C sort >"$tmp/want"
  diff -u "$tmp/want" "$tmp/got" >&2 || fail "unexpected package content"

  dpkg-deb -x "$deb" "$tmp/root"
  out=$("$tmp/root/usr/bin/quorvane-map" --version) || fail "unpacked quorvane-map --version failed"
  [ "$out" = "quorvane-map $version" ] || fail "unpacked quorvane-map --version says '$out'"
  echo "package_test: $(basename "$deb"): Depends: $depends"
  ;;
dpkg)
  installed=1
  dpkg -i "$deb" >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; fail "dpkg -i failed"; }
  out=$(/usr/bin/quorvane-map --version) || fail "/usr/bin/quorvane-map --version failed"
  [ "$out" = "quorvane-map $version" ] || fail "/usr/bin/quorvane-map --version says '$out'"
  dpkg -r quorvane >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; fail "dpkg -r failed"; }
  installed=0
  [ ! -e /usr/bin/quorvane-map ] || fail "/usr/bin/quorvane-map is left after dpkg -r"
  echo "package_test: dpkg -i, /usr/bin/quorvane-map --version and dpkg -r worked"
  ;;
*) fail "unknown mode $mode" ;;
esac
