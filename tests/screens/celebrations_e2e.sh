#!/bin/bash
# The tutorial and the two celebrations as a player meets them, under a
# window manager and driven by real X input: the tutorial's steps follow
# Enter, mouse motion and clicks and Escape ends it; Space and a click end
# the celebrations. With SKYLUME_SHOTS set, pictures of each are kept there.
. "$(dirname "$0")/../e2e/session.sh"
probe=$1
e2e_start_display
e2e_accept_terms
E2E_LOG=$E2E_HOME/probe.log
shots=()

# Waits up to $2 seconds for a line of $E2E_LOG that begins with $1.
e2e_expect_prefix() {
    for _ in $(seq $(( $2 * 10 ))); do
        grep -q "^$1" "$E2E_LOG" && return 0
        sleep 0.1
    done
    cat "$E2E_LOG" >&2
    e2e_fail "expected a line beginning '$1'"
}
[ -n "${SKYLUME_SHOTS:-}" ] && mkdir -p "$SKYLUME_SHOTS" && shots=(--shots "$SKYLUME_SHOTS")

"$probe" --tutorial "${shots[@]}" >"$E2E_LOG" 2>"$E2E_HOME/probe.err" & E2E_GAME=$!
e2e_expect "tutorial step 1" 30
win=$(e2e_wait_window Skylume 5) || e2e_fail "no game window"
sleep 1
xdotool key Return
e2e_expect "tutorial step 2"
sleep 1
xdotool key KP_Enter
e2e_expect "tutorial step 3"
sleep 1
# 0.0889 of a turn clockwise: at the slow speed, with the dropper 0.1886 from
# the centre, 6.6e-5 of a turn per pixel of relative motion.
for _ in $(seq 10); do
    xdotool mousemove_relative -- 134 0
    sleep 0.1
done
e2e_expect "tutorial step 4" 10
# The blue bubble takes three seconds to slide into the dropper; a click
# before that is dropped.
sleep 4
xdotool click 1
e2e_expect "tutorial step 5" 10
sleep 1
xdotool keydown Escape
sleep 0.5
grep -q "tutorial ends" "$E2E_LOG" && e2e_fail "Escape ended the tutorial while held"
xdotool keyup Escape
e2e_expect "tutorial ends"
e2e_wait_exit "$E2E_GAME" 20 || e2e_fail "the probe did not end after the tutorial"
[ "$E2E_STATUS" = 0 ] || e2e_fail "tutorial probe ended with $E2E_STATUS"

"$probe" --rain 1 2 9 75 "${shots[@]}" >"$E2E_LOG" 2>"$E2E_HOME/probe.err" & E2E_GAME=$!
e2e_expect "rain starts" 30
sleep 4
xdotool keydown space
sleep 0.5
grep -q "rain ends" "$E2E_LOG" && e2e_fail "pressing Space ended the rain"
xdotool keyup space
e2e_expect_prefix "rain ends at" 10
e2e_wait_exit "$E2E_GAME" 20 || e2e_fail "the probe did not end after the rain"

"$probe" --fireworks 2 "${shots[@]}" >"$E2E_LOG" 2>"$E2E_HOME/probe.err" & E2E_GAME=$!
e2e_expect "fireworks starts" 30
sleep 4
xdotool mousedown 1
sleep 0.5
grep -q "fireworks ends" "$E2E_LOG" && e2e_fail "pressing the button ended the fireworks"
xdotool mouseup 1
e2e_expect_prefix "fireworks ends at" 10
e2e_wait_exit "$E2E_GAME" 20 || e2e_fail "the probe did not end after the fireworks"
echo "celebrations e2e: ok"
