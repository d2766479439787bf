# Shared steps of the end-to-end scripts: sourced, not run. Each script runs the real program
# under a virtual X server with a dummy JACK server of its own as the sound card.
# A script calls: e2e_start_jack; e2e_start_program [ARGS...]; then the helpers below.
# Usage of every script: SCRIPT PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: .)

. "$(dirname "${BASH_SOURCE[0]}")/../private_shm.sh"
if [ -z "${QUARVIN_E2E_IN_X:-}" ]; then
  exec env QUARVIN_E2E_IN_X=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d)
# Recovery copies go to a folder of the run's own: none left by the user's programs is offered.
export XDG_STATE_HOME="$work/state"
# A server of our own, so that parallel runs and other JACK users do not meet.
export JACK_DEFAULT_SERVER="quarvin-e2e-$$"
jack_pid="" program_pid="" window="" ox=0 oy=0

cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  if [ -n "$jack_pid" ]; then
    kill "$jack_pid" 2>/dev/null || true
    # A server that does not end must not hold the run up: after twenty seconds it is killed (in
    # the run's own /dev/shm, so its registry slot goes with the run).
    poll 200 bash -c "! kill -0 $jack_pid" || kill -KILL "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.log; do
    echo "--- $log" >&2
    cat "$log" >&2
  done
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
poll() {
  local tries=$1 i
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

shot() { import -window root "$shots/$1"; }
# The colour of a screen pixel as RRGGBB.
pixel() { convert "$shots/$1" -format "%[hex:p{$2,$3}]" info:; }

# Starts the server: [PERIOD [RATE [SERVER OPTIONS...]]] (256 frames at 44100 Hz by default).
e2e_start_jack() {
  jackd -n "$JACK_DEFAULT_SERVER" --no-realtime "${@:3}" -d dummy -r "${2:-44100}" -p "${1:-256}" \
    >"$work/jackd.log" 2>&1 &
  jack_pid=$!
  poll 50 timeout 5 jack_lsp || fail "the JACK server did not answer"
}

# Ends the server with SIGTERM, which tells its clients (their shutdown callback), and waits.
e2e_stop_jack() {
  kill -TERM "$jack_pid"
  poll 100 bash -c "! kill -0 $jack_pid" || fail "the JACK server did not end"
  wait "$jack_pid" 2>/dev/null || true
  jack_pid=""
}

# Waits until a JACK port exists.
e2e_wait_port() {  # port
  poll 50 bash -c "timeout 5 jack_lsp | grep -qx '$1'" || fail "no JACK port $1"
}

# Starts the program with the given arguments, waits for its window and its sound card ports
# and finds the canvas origin on screen (where the first background tile, RGB 70, 255, 70,
# begins below the menu bar).
e2e_start_program() {
  "$program" "$@" >"$work/quarvin.log" 2>&1 &
  program_pid=$!
  window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Quarvin V' | head -n 1) ||
    fail "no window named Quarvin"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  # The program streams through the server: it has ports of its own beside the server's "system".
  poll 50 bash -c "timeout 5 jack_lsp | grep -qv '^system:'" || fail "the program opened no sound card ports"
  # A patch from the command line is opened once the sound runs; the title then names it.
  local patch=${*: -1}
  if [[ $patch == *.qvn ]]; then
    poll 50 bash -c "xdotool getwindowname $window | grep -qF '$(basename "$patch")'" ||
      fail "the title does not name $patch: $(xdotool getwindowname "$window")"
  fi
  poll 50 origin_shown || fail "no background tile at the left edge"
}

# Takes origin.png and finds the canvas origin in it; fails while the canvas is not painted.
origin_shown() {
  shot origin.png
  oy=$(convert "$shots/origin.png" -crop 1x200+0+0 txt:- |
    awk -F'[,:]' '/#46FF46/ && !found {print $2; found = 1}')
  ox=0
  [ -n "$oy" ]
}

expect() {  # shot, canvas x, y, colour, what
  local got
  got=$(pixel "$1" $((ox + $2)) $((oy + $3)))
  [ "$got" = "$4" ] || fail "$5: pixel ($2, $3) is $got, expected $4"
}

# Whether the canvas pixel (x, y) of a fresh screenshot is (=) or is not (!=) a colour.
pixel_is() {  # shot, x, y, = or !=, colour
  shot "$1"
  test "$(pixel "$1" $((ox + $2)) $((oy + $3)))" "$4" "$5"
}

# Waits until it is, and fails with what the screen shows when that does not come.
wait_pixel() {  # shot, x, y, = or !=, colour, what
  poll 50 pixel_is "$1" "$2" "$3" "$4" "$5" ||
    fail "$6: pixel ($2, $3) is $(pixel "$1" $((ox + $2)) $((oy + $3))), expected $4 $5"
}

# Black pixels in the column between the start panels, where a wire between them hangs.
wire_pixels() {  # shot
  convert "$shots/$1" -crop 1x20+$((ox + 95))+$((oy + 48)) txt:- | grep -c '#000000' || true
}

# Whether a fresh screenshot has that many of them, e.g. "-gt 0" or "= 0".
wire_pixels_are() {  # shot, test, number
  shot "$1"
  test "$(wire_pixels "$1")" "$2" "$3"
}

# The visible windows' titles, for a failure message.
window_names() {
  xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort -u | tr "\n" "|"
}

# Waits for the shown window of the given title and gives it the keyboard; $shown holds its id.
e2e_focus() {  # title (a pattern for the whole of it)
  shown=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) ||
    fail "no window '$1' among: $(window_names)"
  xdotool windowfocus --sync "$shown" 2>/dev/null || true
}

# Waits until no window of the given title is shown.
e2e_wait_closed() {  # title (a pattern for the whole of it)
  poll 50 bash -c "! xdotool search --onlyvisible --name '^$1\$'" || fail "the window '$1' stayed open"
}

# The main window's title, and whether it marks the patch modified ("Quarvin V1.01 - *name").
caption() { xdotool getwindowname "$window"; }
modified() { caption | grep -qF ' - *'; }
unmodified() { ! modified; }

# Saves through the save dialog that `key` opens (ctrl+s for an untitled patch, ctrl+shift+s):
# types path, waits for the file and the dialog to go, and gives the focus back to the window.
e2e_save_as() {  # key, path
  xdotool key "$1"
  e2e_focus 'Speichern unter'
  xdotool type --delay 20 "$2"
  xdotool key Return
  poll 50 test -s "$2" || fail "$2 was not written"
  e2e_wait_closed 'Speichern unter'
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# Answers the program's question box with a key: the underlined letter of "Ja" or "Nein" (j, n),
# or Escape for "Abbrechen"; the main window then has the focus again.
e2e_answer() {  # key [title of the box, "Frage" when not given]
  e2e_focus "${2:-Frage}"
  xdotool key "$1"
  e2e_wait_closed "${2:-Frage}"
  # Without a window manager nobody hands the focus back to the main window.
  xdotool windowfocus "$window" 2>/dev/null || true
}

# An open menu of the program: a shown window of its class without a title.
menu_open() {
  local titled
  titled=$(xdotool search --onlyvisible --name . || true)
  [ -n "$(xdotool search --onlyvisible --classname '^quarvin$' | grep -vxF "$titled")" ]
}
menu_closed() { ! menu_open; }

# Opens a menu with xdotool (a key of the menu bar, a right click), waits until it shows, chooses
# its entry by the underlined letter and waits until it has closed.
e2e_menu() {  # letter, xdotool arguments that open the menu
  local letter=$1
  shift
  xdotool "$@"
  poll 50 menu_open || fail "no menu after xdotool $*"
  xdotool key "$letter"
  poll 50 menu_closed || fail "the menu stayed open after $letter"
}

# Input events reach the program in the order they are sent; a step that needs the click's effect
# on the screen waits for it there.
click() {  # canvas x, y
  xdotool mousemove $((ox + $1)) $((oy + $2)) click 1
}

# Waits for the program to end and checks its exit code.
e2e_expect_exit() {  # code
  poll 50 bash -c "! kill -0 $program_pid" || fail "the program did not end"
  local status=0
  wait "$program_pid" || status=$?
  program_pid=""
  [ "$status" = "$1" ] || fail "exit code $status, expected $1"
}
