#!/usr/bin/env bash
# Help and the Vocoder from the menu, end to end: F1 with the pointer on the background opens the
# guide in a window of its own, whose first heading a screenshot read back by OCR shows; Escape
# closes it. "Einfügen" / "Vocoder" places a Vocoder, and F1 over that panel opens the guide at
# the Vocoder's section.
# Usage: e2e_help.sh PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: the current dir)
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# The text tesseract reads in the guide's window.
guide_text() {  # shot
  local id
  id=$(timeout 10 xdotool search --sync --onlyvisible --name 'Anleitung$' | head -n 1) ||
    fail "no guide window"
  # The window shows once its text is laid out: wait until it is more than blank.
  poll 50 bash -c "import -window $id '$shots/$1' && \
    [ \$(convert '$shots/$1' -format '%[fx:standard_deviation>0.05]' info:) = 1 ]" ||
    fail "the guide window stays blank"
  tesseract "$shots/$1" - -l deu 2>/dev/null | tr '\n' ' '
}

e2e_start_jack
e2e_start_program

xdotool mousemove $((ox + 600)) $((oy + 400))
xdotool key F1
text=$(guide_text guide.png)
[[ $text == *"Quarvin"*"Anleitung"* ]] || fail "the guide's first heading is not shown: $text"
xdotool key Escape
e2e_wait_closed '.*Anleitung'
xdotool windowfocus --sync "$window" 2>/dev/null || true

# "&Einfügen" → "Voco&der"; the new panel hangs at the pointer until the click puts it down.
e2e_menu d key alt+e
xdotool mousemove $((ox + 300)) $((oy + 200)) click 1
wait_pixel vocoder.png 300 200 = FFFFFF "no panel placed at (300, 200)"

xdotool mousemove $((ox + 320)) $((oy + 220))
xdotool key F1
text=$(guide_text vocoder_guide.png)
[[ $text == *"Vocoder"*"Bänder"* ]] || fail "the guide is not at the Vocoder's section: $text"
echo "PASS"
