#!/usr/bin/env bash
# Builds the Debian package with cpack, lists it, checks it as a distribution would (lintian without
# errors, the machine-readable copyright and the changelog, the icon at every size, the desktop
# entry and the AppStream file through their validators), unpacks it into a temporary folder and
# runs the unpacked render tool on an unpacked example patch.
# Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >cpack.log 2>&1) ||
  fail "cpack: $(cat "$work/cpack.log")"
deb=$work/out/quarvin_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/out")"

dpkg-deb -c "$deb" >"$work/contents"
for f in usr/bin/quarvin usr/bin/quarvin-render usr/share/quarvin/examples/lfo_vco.qvn \
  usr/share/quarvin/anleitung/anleitung.md usr/share/quarvin/anleitung/bilder/showcase.png \
  usr/share/doc/quarvin/copyright usr/share/doc/quarvin/changelog.gz \
  usr/share/icons/hicolor/scalable/apps/quarvin.svg usr/share/mime/packages/quarvin.xml \
  usr/share/applications/quarvin.desktop usr/share/metainfo/org.quarvin.Quarvin.metainfo.xml; do
  grep -q " \./$f\$" "$work/contents" || fail "the package lacks $f"
done
# Dependencies come from the binaries' libraries.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libportaudio2 libsndfile1 libfreetype6 libpng16-16 qt6-qpa-plugins; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

# Errors are what keeps a package out of a distribution; the warnings left are the two programs'
# missing manual pages.
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
grep -q '^E: ' "$work/lintian" && fail "lintian: $(grep '^E: ' "$work/lintian")"

dpkg-deb -x "$deb" "$work/root"
share=$work/root/usr/share
copyright=$share/doc/quarvin/copyright
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not machine-readable"
grep -qx 'License: GPL-3.0+' "$copyright" || fail "the copyright file names no GPL-3.0+"
grep -q '/usr/share/common-licenses/GPL-3' "$copyright" || fail "the copyright file lacks the licence's place"
zcat "$share/doc/quarvin/changelog.gz" | head -n 1 | grep -q "^quarvin ($version) " ||
  fail "the changelog does not start with version $version"
for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x$size/apps/quarvin.png
  [ -f "$png" ] || fail "no ${size}px icon"
  [ "$(identify -format '%wx%h' "$png")" = "${size}x$size" ] || fail "$png is not ${size}x$size"
done
grep -q '<svg ' "$share/icons/hicolor/scalable/apps/quarvin.svg" || fail "the scalable icon is no SVG"
out=$(desktop-file-validate "$share/applications/quarvin.desktop" 2>&1) && [ -z "$out" ] ||
  fail "desktop-file-validate: $out"
metainfo=$share/metainfo/org.quarvin.Quarvin.metainfo.xml
appstreamcli validate --no-net --strict "$metainfo" >"$work/appstream" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/appstream")"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "the metainfo names no licence"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
grep -q 'http' <(grep -v 'xmlns\|<!--' "$metainfo") && fail "the metainfo points somewhere: $(grep http "$metainfo")"
render=$work/root/usr/bin/quarvin-render
"$render" --version | grep -qF "$version" || fail "the unpacked quarvin-render --version"
"$render" "$work/root/usr/share/quarvin/examples/lfo_vco.qvn" -b 2 -o "$work/out.wav" -q ||
  fail "rendering an unpacked example"
# Two blocks of 3000 stereo 16-bit frames after a 44-byte header.
[ "$(stat -c %s "$work/out.wav")" = $((44 + 2 * 3000 * 4)) ] || fail "unexpected output size"
echo PASS
