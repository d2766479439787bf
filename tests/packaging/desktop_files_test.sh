#!/usr/bin/env bash
# Installs the program into a temporary prefix and checks what a desktop reads of it: the desktop
# entry opens a patch file, and the MIME type recognises every example patch by its name and by its
# leading bytes. (The validators run on the Debian package's copies: deb_test.sh.)
# Usage: desktop_files_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
for f in bin/quarvin bin/quarvin-render share/applications/quarvin.desktop \
  share/icons/hicolor/32x32/apps/quarvin.png share/mime/packages/quarvin.xml \
  share/metainfo/org.quarvin.Quarvin.metainfo.xml share/quarvin/examples/lfo_vco.qvn \
  share/quarvin/anleitung/anleitung.md share/quarvin/anleitung/bilder/showcase.png; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done

entry=$share/applications/quarvin.desktop
grep -qx 'Exec=quarvin %f' "$entry" || fail "the desktop entry does not pass the file on"
grep -qx 'MimeType=application/x-quarvin-patch;' "$entry" || fail "the desktop entry names no MIME type"
# The database a desktop builds from the installed type: the glob, and the magic at offset 5
# after the stream mark, which every example patch carries.
if command -v update-mime-database >/dev/null; then
  update-mime-database "$share/mime"
  grep -q '^50:application/x-quarvin-patch:\*\.qvn$' "$share/mime/globs2" || fail "no *.qvn glob"
  grep -q 'application/x-quarvin-patch' "$share/mime/magic" || fail "no magic for patch files"
fi
magic=$(grep -o 'little32" value="0x[0-9A-Fa-f]*" offset="5"' "$source/packaging/quarvin-mime.xml" |
  grep -o '0x[0-9A-Fa-f]*')
for patch in "$source"/examples/*.qvn; do
  [ "$(head -c 1 "$patch")" = ":" ] || fail "$patch: no stream mark"
  [ "0x$(od -An -tx4 -j5 -N4 --endian=little "$patch" | tr -d ' ')" = "${magic,,}" ] ||
    fail "$patch does not carry the magic $magic"
done
echo PASS
