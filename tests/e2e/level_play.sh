#!/bin/bash
# A level in the real window under a window manager: the turn keys and the
# captured mouse turn the dropper, the drop key fires once a bubble is
# loaded, Escape pauses, a close request pauses too, and Abort ends the
# level. With SKYLUME_SHOTS set, an automatic player then plays a level to
# its end and the screen is saved at its start, in the middle and at its end.
. "$(dirname "$0")/session.sh"
probe=$1
e2e_start_display
e2e_accept_terms
E2E_LOG=$E2E_HOME/probe.log

"$probe" --level 0 0 0 --seed 1000 >"$E2E_LOG" 2>"$E2E_HOME/probe.err" & E2E_GAME=$!
e2e_expect "level starts supply 220 stars 2" 30
win=$(e2e_wait_window Skylume 5) || e2e_fail "no game window"
sleep 0.3
# The stage shows the play screen, not a black window.
[ "$(e2e_pixel 640 100)" = "0,0,0" ] && e2e_fail "the dropper is not drawn"

xdotool keydown Right; sleep 0.5; xdotool keyup Right
e2e_expect "angle up"
xdotool keydown Left; sleep 0.8; xdotool keyup Left
e2e_expect "angle down"
: >"$E2E_LOG.mark"; cp "$E2E_LOG" "$E2E_LOG.before"
xdotool mousemove_relative -- 200 0
sleep 0.5
[ "$(grep -c 'angle up' "$E2E_LOG")" -gt "$(grep -c 'angle up' "$E2E_LOG.before")" ] \
    || e2e_fail "mouse motion did not turn the dropper"

# The first bubble is loaded a few seconds in.
sleep 3.5
xdotool key space
e2e_expect "fired supply 219" 5

xdotool key Escape
e2e_expect pause
sleep 0.3
e2e_shot pause_menu
xdotool key Return
e2e_expect continue
# The release of the Escape that opened the menu opens no second one.
sleep 0.5
[ "$(grep -c '^pause$' "$E2E_LOG")" = 1 ] || e2e_fail "the pause menu came back after Continue"

# A close request pauses as Escape does; Escape in the pause aborts.
xdotool key alt+F4
for _ in $(seq 50); do [ "$(grep -c '^pause$' "$E2E_LOG")" -ge 2 ] && break; sleep 0.1; done
[ "$(grep -c '^pause$' "$E2E_LOG")" -ge 2 ] || e2e_fail "a close request did not pause"
sleep 0.3
xdotool key Escape
for _ in $(seq 50); do grep -q "^level ends time [0-9]* won 0$" "$E2E_LOG" && break; sleep 0.1; done
grep -q "^level ends time [0-9]* won 0$" "$E2E_LOG" || e2e_fail "Escape in the pause menu did not abort the level"
e2e_wait_exit $E2E_GAME 20 || e2e_fail "probe did not end"
E2E_GAME=
[ "$E2E_STATUS" = 0 ] || e2e_fail "probe ended with $E2E_STATUS"
grep -i critical "$E2E_HOME/probe.err" && e2e_fail "GTK complained"

if [ -n "${SKYLUME_SHOTS:-}" ]; then
    mkdir -p "$SKYLUME_SHOTS"
    "$probe" --level 0 0 0 --seed 1001 --autoplay --shots "$SKYLUME_SHOTS" >"$E2E_LOG" 2>&1 & E2E_GAME=$!
    e2e_wait_exit $E2E_GAME 400 || e2e_fail "the automatic player did not finish"
    E2E_GAME=
    grep "shot\|level ends" "$E2E_LOG"
fi
echo "level play: ok"
