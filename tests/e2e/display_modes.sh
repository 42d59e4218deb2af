#!/bin/bash
# The game's display mode on an X server that really switches: the stored
# mode is entered behind the curtain, left while another program has the
# focus, and the desktop's mode always comes back, also after an uncaught
# error, a termination signal or a kill (by the game's watcher process, or
# by the one that replaces it when it was killed first, or at the next start
# when both died together), and with a settings folder the game cannot write
# to. While the game holds the X server it probes no output, forks no
# process and waits for none, and it forks with its signals blocked. Ctrl held at start, or a stored mode the
# display no longer offers, brings up the display dialog with the real
# modes.
#   display_modes.sh PROBE FORBIDDEN_CALLS_LIBRARY
. "$(dirname "$0")/session.sh"
probe=$1
e2e_start_display modes
calls=$E2E_HOME/calls.log
# Preloaded, the library notes in $calls the grabs of the X server and the
# calls the probe must not make; under the address sanitizer it comes first.
noting_calls="env LD_PRELOAD=$2 SKYLUME_CALLS_LOG=$calls \
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
E2E_LOG=$E2E_HOME/probe.log
conf=$XDG_CONFIG_HOME/skylume/skylume.conf
desktop=1280x720
stored_choice() { # width height
    e2e_accept_terms '[Display]' Index=0 Top=0 Left=0 Width=1280 Height=720 \
        "GameWidth=$1" "GameHeight=$2" Depth=32
}
start_probe() {
    : >"$E2E_LOG"
    ${as_player:-} ${noting:-} "$probe" >>"$E2E_LOG" 2>"$E2E_HOME/probe.err" & E2E_GAME=$!
}
expect_desktop() {
    [ "$(e2e_screen_size)" = $desktop ] || e2e_fail "desktop left at $(e2e_screen_size) $1"
}
# The game's watcher process, found by its name and this test's home.
watcher() {
    for pid in $(pgrep -x skylume-watch); do
        grep -qzx "XDG_CONFIG_HOME=$XDG_CONFIG_HOME" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
    done
}
# The watcher (other than process $2), once it has started and taken its
# name (within 10 s).
await_watcher() {
    local w
    for _ in $(seq 100); do
        w=$(watcher | grep -vx "${2:-}" | head -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    e2e_fail "no watcher $1"
}
record() { xprop -root _SKYLUME_DESKTOP_MODES | grep "(STRING)"; }
# Within 3 s: the desktop back, no watcher left and no record of the modes.
expect_all_back() {
    for _ in $(seq 30); do
        [ "$(e2e_screen_size)" = $desktop ] && [ -z "$(watcher)" ] && [ -z "$(record)" ] && return 0
        sleep 0.1
    done
    e2e_fail "$1: screen $(e2e_screen_size), watcher '$(watcher)', record '$(record)'"
}
end_probe() { # expected status
    e2e_wait_exit $E2E_GAME 20 || e2e_fail "probe did not end"
    E2E_GAME=
    [ "$E2E_STATUS" = "$1" ] || e2e_fail "probe ended with $E2E_STATUS, not $1"
}

# The stored mode, left and entered again with the focus, left at the end.
stored_choice 1024 768
noting=$noting_calls start_probe
e2e_expect ready 30
e2e_expect "stage 0 0 1024 768"
[ "$(e2e_screen_size)" = 1024x768 ] || e2e_fail "screen is $(e2e_screen_size), not 1024x768"
win=$(e2e_wait_window Skylume 5) || e2e_fail "no game window"
xwininfo -id "$win" | grep -q "Height: 768" || e2e_fail "frame does not cover the screen"
e2e_shot stage-1024x768
"$probe" --other >/dev/null 2>&1 & other=$!
otherwin=$(e2e_wait_window Other 20) || e2e_fail "no other window"
xdotool windowactivate "$otherwin" 2>/dev/null
e2e_expect "active 0 mode 1280x720"
expect_desktop "while the game is minimised"
xdotool windowactivate "$win" 2>/dev/null
e2e_expect "active 1 mode 1024x768" 20
kill "$other"
xdotool key Escape
e2e_expect "after 1280x720"
end_probe 0
expect_desktop "after the game"
expect_all_back "after the game"
grep -qx grab "$calls" || e2e_fail "no grab of the X server noted: $2 not preloaded?"
! grep -vx grab "$calls" || e2e_fail "the probe made the calls above"

# Killed outright, or by a fault that no handler sees: the watcher puts the
# desktop back, also one that replaces a watcher killed first.
for kill in KILL SEGV "watcher, then KILL"; do
    start_probe
    e2e_expect ready 30
    w=$(await_watcher "in the game mode") || exit 1
    # A program of its own, not a copy of the game's memory and folder.
    [ "$(readlink "/proc/$w/cwd")" = / ] && ! grep -q SYSV "/proc/$w/maps" \
        || e2e_fail "the watcher holds the game's folder or shared memory"
    if [ "$kill" != "${kill#watcher}" ]; then
        kill -KILL "$w"
        await_watcher "in place of the killed one" "$w" >/dev/null || exit 1
    fi
    kill -"${kill#watcher, then }" $E2E_GAME
    # Its status is the sanitizer's in a sanitizer build.
    e2e_wait_exit $E2E_GAME 20 || e2e_fail "probe did not end on $kill"
    E2E_GAME=
    expect_all_back "after $kill"
done

# A settings folder the game cannot write to: killed outright, it still has
# the desktop put back. Root writes anywhere, so it plays as nobody.
stored_choice 1024 768
chmod -R a+rX,a-w "$XDG_CONFIG_HOME"
chmod a+x "$E2E_HOME"
if [ "$(id -u)" = 0 ]; then
    as_player="setpriv --reuid=65534 --regid=65534 --clear-groups"
    $as_player test -x "$probe" || { as_player=; echo "note: nobody cannot run $probe; played as root"; }
fi
start_probe
e2e_expect ready 30
await_watcher "with an unwritable settings folder" >/dev/null || exit 1
kill -KILL $E2E_GAME
end_probe 137
expect_all_back "after SIGKILL with an unwritable settings folder"
as_player=
chmod -R u+w "$XDG_CONFIG_HOME"

# The watcher killed too: the next start puts the desktop back before it
# takes the current mode for the desktop's. Stopped first, the game cannot
# replace its watcher before it dies.
start_probe
e2e_expect ready 30
w=$(await_watcher "to kill") || exit 1
kill -STOP $E2E_GAME
kill -KILL "$w" $E2E_GAME
end_probe 137
sleep 1
[ "$(e2e_screen_size)" = 1024x768 ] || e2e_fail "the game mode went with the watcher killed"
start_probe
e2e_expect ready 30
xdotool key Escape
end_probe 0
expect_all_back "after a start that found the game mode left"

# An uncaught error on the way out of the screens.
start_probe
e2e_expect ready 30
xdotool key x
e2e_expect throwing
end_probe 255
expect_desktop "after an uncaught error"

# A termination signal in the game mode.
start_probe
e2e_expect ready 30
kill -TERM $E2E_GAME
end_probe 143
expect_desktop "after SIGTERM"

# Ctrl held at start: the dialog lists the real modes with none chosen, so
# Enter alone does nothing; the second is taken.
xdotool keydown ctrl
start_probe
dialog=$(e2e_wait_window "Display Settings" 30) || e2e_fail "Ctrl brought no dialog"
xdotool keyup ctrl
sleep 0.5
e2e_shot display-dialog
xdotool windowactivate --sync "$dialog" 2>/dev/null
xdotool key Return
xdotool key --delay 100 Down Down Return
e2e_expect ready 30
grep -qx GameWidth=832 "$conf" && grep -qx GameHeight=624 "$conf" \
    || e2e_fail "choice not stored: $(cat "$conf")"
e2e_expect "stage 0 0 832 624"
xdotool key Escape
end_probe 0
expect_desktop "after the chosen mode"

# A stored mode the display does not offer: the dialog comes; Escape ends.
stored_choice 1600 1200
start_probe
dialog=$(e2e_wait_window "Display Settings" 30) || e2e_fail "stale choice brought no dialog"
xdotool windowactivate --sync "$dialog" 2>/dev/null
xdotool key Escape
end_probe 0
grep -q ready "$E2E_LOG" && e2e_fail "a cancelled choice ran the game"
grep -qx GameWidth=1600 "$conf" || e2e_fail "cancelling changed the stored choice"
expect_desktop "after a cancelled choice"
echo "display modes: ok"
