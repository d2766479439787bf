#!/usr/bin/env bash
# Builds the Debian package with cpack, lists it, unpacks it into a temporary folder and runs the
# unpacked render tool on an unpacked example patch.
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
  usr/share/doc/quarvin/anleitung.md usr/share/doc/quarvin/bilder/showcase.png \
  usr/share/icons/hicolor/32x32/apps/quarvin.png usr/share/mime/packages/quarvin.xml \
  usr/share/applications/quarvin.desktop usr/share/metainfo/org.quarvin.Quarvin.metainfo.xml; do
  grep -q " \./$f\$" "$work/contents" || fail "the package lacks $f"
done
# Dependencies come from the binaries' libraries.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libportaudio2 libsndfile1 libfreetype6 libpng16-16 qt6-qpa-plugins; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

dpkg-deb -x "$deb" "$work/root"
render=$work/root/usr/bin/quarvin-render
if "$render" --help 2>&1 | grep -q -- --version; then
  "$render" --version | grep -q "$version" || fail "quarvin-render --version"
else
  "$render" --help >/dev/null || fail "the unpacked quarvin-render does not run"
fi
"$render" "$work/root/usr/share/quarvin/examples/lfo_vco.qvn" -b 2 -o "$work/out.wav" -q ||
  fail "rendering an unpacked example"
# Two blocks of 3000 stereo 16-bit frames after a 44-byte header.
[ "$(stat -c %s "$work/out.wav")" = $((44 + 2 * 3000 * 4)) ] || fail "unexpected output size"
echo PASS
