#!/usr/bin/env bash
# Builds the Debian package, checks the menu entry, the metainfo, the manual pages and the file
# type with their validators, runs lintian on the package, then unpacks it into a temporary root
# and runs the programs from there. Prints what it checked; fails on the first problem.
#
#   check-package.sh            configures and builds the programs alone in build/package
#   check-package.sh BUILD_DIR  packages an existing build (./test passes its own)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
"$root/tools/ensure-packages.sh"
export LC_ALL=C.UTF-8

if [ $# -gt 0 ]; then
  build="$(cd "$1" && pwd)"
else
  build="$root/build/package"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBELVAN_TESTS=OFF \
    >/dev/null
fi
echo "== Package build in $build"
cmake --build "$build" -j "$(nproc)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "== Validators"
desktop-file-validate "$root/dist/org.belvan.Belvan.desktop"
appstreamcli validate --no-net "$build/dist/org.belvan.Belvan.metainfo.xml"
xmllint --noout "$root/dist/org.belvan.Belvan.mime.xml"
for page in "$build"/dist/*.1; do
  warnings="$(man --warnings -l "$page" 2>&1 >/dev/null)"
  if [ -n "$warnings" ]; then
    echo "$page: $warnings" >&2
    exit 1
  fi
done
# The file type as the desktop would register it.
mkdir -p "$work/mime/packages"
cp "$root/dist/org.belvan.Belvan.mime.xml" "$work/mime/packages/"
update-mime-database "$work/mime" 2>/dev/null
grep -q '^50:application/x-belvan-ctrch:\*\.ctrch$' "$work/mime/globs2"

echo "== Install into a staging root"
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/belvan >/dev/null
for file in bin/belvan bin/belvan-cli share/applications/org.belvan.Belvan.desktop \
  share/icons/hicolor/scalable/apps/org.belvan.Belvan.svg share/mime/packages/org.belvan.Belvan.xml \
  share/metainfo/org.belvan.Belvan.metainfo.xml share/man/man1/belvan.1.gz \
  share/doc/belvan/copyright; do
  [ -e "$work/stage/opt/belvan/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done

echo "== Debian package"
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/belvan_"$version"_*.deb)"
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6
status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$work/lintian.log" || true
[ "$status" -eq 0 ] || { echo "lintian found errors" >&2; exit 1; }

echo "== Programs from the unpacked package"
dpkg-deb -x "$deb" "$work/root"
export LD_LIBRARY_PATH="" QT_QPA_PLATFORM=offscreen
"$work/root/usr/bin/belvan-cli" --help >/dev/null
for program in belvan belvan-cli belvan-radio-sim; do
  answer="$("$work/root/usr/bin/$program" --version 2>/dev/null)"
  [ "${answer##* }" = "$version" ] || { echo "$program --version: $answer" >&2; exit 1; }
done
"$work/root/usr/bin/belvan" --screenshot "$work/window.png" 2>/dev/null
file "$work/window.png" | grep -q "PNG image data"
echo "package $deb: checks passed"
