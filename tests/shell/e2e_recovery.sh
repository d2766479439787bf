#!/usr/bin/env bash
# Crash recovery of the real program end to end: a wire is made and not saved, the program is
# killed with SIGKILL once its recovery copy is written (within 30 s of the change); started
# again, it offers the copy in its list, "Wiederherstellen" (Return) brings the wire back in an
# untitled patch, and quitting without saving leaves no copy behind.
# Usage: e2e_recovery.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

copies() { find "$XDG_STATE_HOME/quarvin" -name 'recovery-*.qvn' 2>/dev/null | wc -l; }

e2e_start_jack
e2e_start_program
# Input "L" (panel-relative 48, 32) to Output "L" (16, 32).
click $((10 + 48 + 8)) $((10 + 32 + 8))
click $((100 + 16 + 8)) $((10 + 32 + 8))
poll 450 test -s "$XDG_STATE_HOME/quarvin/recovery-$program_pid.qvn" ||
  fail "no recovery copy within 45 s of the change"
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""
[ "$(copies)" = 1 ] || fail "the killed program's copy is gone"

e2e_start_program
e2e_answer Return Wiederherstellen
poll 50 wire_pixels_are restored.png -gt 0 || fail "the restored patch has no wire"
title=$(xdotool getwindowname "$window")
[ "$title" = "Quarvin V1.01 - *(Kein Titel)" ] || fail "restored patch (modified, untitled) titled '$title'"
[ -s "$XDG_STATE_HOME/quarvin/recovery-$program_pid.qvn" ] && [ "$(copies)" = 1 ] ||
  fail "the restored patch's copy does not belong to the new program"

# Quitting asks about the unsaved patch; "Nein" ends the program normally and the copy goes.
e2e_menu b key alt+d
e2e_answer n
e2e_expect_exit 0
[ "$(copies)" = 0 ] || fail "a copy is left after a normal quit"
echo "PASS"
