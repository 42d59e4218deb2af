#!/bin/bash
# The game window as a player meets it under a window manager: the stage
# fills the screen without a border, has the keyboard, draws with the game's
# GL state, routes keys and clicks, captures the mouse with a hidden cursor,
# steps aside when another program takes the focus, and refuses to close.
. "$(dirname "$0")/session.sh"
probe=$1
e2e_start_display
e2e_accept_terms
E2E_LOG=$E2E_HOME/probe.log

"$probe" >"$E2E_LOG" 2>"$E2E_HOME/probe.err" & E2E_GAME=$!
e2e_expect ready 30
e2e_expect "stage 0 0 1280 720"
e2e_expect "mode 1280x720"
e2e_expect "gl ok"
e2e_expect "focus stage"
win=$(e2e_wait_window Skylume 5) || e2e_fail "no game window"
xwininfo -id "$win" | grep -q "Width: 1280" || e2e_fail "frame is not 1280 wide"
xwininfo -id "$win" | grep -q "Absolute upper-left Y:  0" || e2e_fail "frame is not at the top"
xprop -id "$win" _NET_FRAME_EXTENTS | grep -q "= 0, 0, 0, 0" || e2e_fail "frame has a border"
sleep 0.5
e2e_shot stage
# The picture's top-left quadrant, drawn centred, lies up and left of the middle.
[ "$(e2e_pixel 600 320)" = "220,60,40" ] || e2e_fail "stage shows $(e2e_pixel 600 320) above left of the centre"
[ "$(e2e_pixel 680 400)" = "80,200,90" ] || e2e_fail "stage shows $(e2e_pixel 680 400) below right of the centre"
[ "$(e2e_pixel 900 100)" = "0,0,0" ] || e2e_fail "stage is not black around the picture"

xdotool key a
e2e_expect "input 0x201 65"
e2e_expect "input 0x200 97"
e2e_expect "input 0x202 65"
xdotool mousemove 100 200 click 1
e2e_expect "input 0x100 100 200"
e2e_expect "input 0x101 100 200"

# Capture: hidden cursor, relative motion, pulled back once it strays.
xdotool key c
e2e_expect "capture 1"
xdotool key k
e2e_expect "cursor blank=1"
xdotool mousemove 650 365
e2e_expect "delta 10 5"
xdotool mousemove 1000 365
e2e_expect "delta 350 0"
sleep 0.2
xdotool getmouselocation | grep -q "x:640 y:360" || e2e_fail "cursor not back in the centre: $(xdotool getmouselocation)"
xdotool key e
e2e_expect "capture 0"
xdotool getmouselocation | grep -q "x:100 y:200" || e2e_fail "cursor not back where capture began"
xdotool key k
e2e_expect "cursor blank=0"

# Another program takes the focus: the game steps aside, minimised.
"$probe" --other >/dev/null 2>&1 & other=$!
otherwin=$(e2e_wait_window Other 20) || e2e_fail "no other window"
xdotool windowactivate "$otherwin" 2>/dev/null
e2e_expect "active 0 mode 1280x720"
xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN || e2e_fail "game not minimised"
e2e_shot other
xdotool windowactivate "$win" 2>/dev/null
e2e_expect "active 1 mode 1280x720" 20
kill "$other"
xdotool key b
e2e_expect "input 0x202 66"

# A close request reaches the screen; the probe ends on it.
xdotool key alt+F4
e2e_expect "input close"
e2e_expect "screen ends"
e2e_wait_exit $E2E_GAME 20 || e2e_fail "probe did not end"
E2E_GAME=
[ "$E2E_STATUS" = 0 ] || e2e_fail "probe ended with $E2E_STATUS"
# Windows are never created empty, which GTK would complain about.
grep -i critical "$E2E_HOME/probe.err" && e2e_fail "GTK complained"
echo "game window: ok"
