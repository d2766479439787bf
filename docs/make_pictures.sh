#!/usr/bin/env bash
# Draws the pictures of the user guide into docs/bilder/ with quarvin-render: one per example
# patch, and one per device panel. The pictures are only ever made by this script.
#
#   docs/make_pictures.sh [BUILD_DIR]     (default build/dev; configured and built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/dev}
out=docs/bilder

if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
ninja -C "$build" -j2 quarvin-render quarvin-make-examples
render=$build/quarvin-render

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# A test signal for the patches that process the sound card's input: the sweeping triangle of
# the LFO-VCO example, 20 blocks (1.4 s). Playing it through each patch fills meters and scopes.
"$render" examples/lfo_vco.qvn -b 20 -o "$work/signal.wav" -q

# Picture size per example: wide and high enough for its panels and the wires hanging below.
examples=(
  lfo_vco:460x300
  filter:460x300
  flanger:420x600
  hall:650x300
  vocoder:400x140
  meters:860x560
  ringmod:660x600
  showcase:940x650
  midi_vco:460x300
)
for entry in "${examples[@]}"; do
  name=${entry%%:*}
  "$render" "examples/$name.qvn" -i "$work/signal.wav" --png "$out/$name.png" --size "${entry#*:}" -q
done

# One panel each, with its initial settings; the generator names each patch with the size of
# the picture that shows its panel.
"$build/quarvin-make-examples" --panels "$work/panels" | while read -r file width height; do
  "$render" "$work/panels/$file" -b 0 --png "$out/panel_${file%.qvn}.png" --size "${width}x${height}" -q
done

# The wiring section's picture: a cable that hangs from a connector to the pointer.
"$build/quarvin-make-examples" --cable "$out/kabel.png"

# Every bitmap on one sheet, for reviewing the art by eye (not part of the guide).
"$build/quarvin-make-examples" --art "$build/kontaktbogen.png"

echo "Bilder in $out/ geschrieben, Kontaktbogen in $build/kontaktbogen.png."
