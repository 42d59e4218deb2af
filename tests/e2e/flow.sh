#!/bin/bash
# The flow of play as a player walks through it: Play on the title menu opens
# the stage wheel on the tutorial the first time, which Enter starts and
# Escape leaves, then the wheel stands on stage 1 and Enter chooses it;
# the level wheel shows the best times of a prepared store and locks what is
# not open yet, a level is played and aborted from its pause menu, Escape
# leads back to the title menu. After a restart the wheels open where the
# player left them, and a close request on a wheel ends the program.
. "$(dirname "$0")/session.sh"
game=$1
e2e_start_display
conf=$XDG_CONFIG_HOME/skylume/skylume.conf
e2e_accept_terms '[Player]' Difficulty=0 Music=0 '[Game/Easy]' MaximumLevel=2 HighScore1=75 \
    HighScore2=600

start_game() {
    "$game" >"$E2E_HOME/game.out" 2>"$E2E_HOME/game.err" & E2E_GAME=$!
}
title_menu() {
    e2e_wait_menu 20 >/dev/null || e2e_fail "$1"
    sleep 0.3
}
# Waits up to 5 seconds for no menu to be up.
no_menu() {
    for _ in $(seq 50); do
        e2e_wait_menu 0.1 >/dev/null || return 0
        sleep 0.1
    done
    e2e_fail "$1"
}
value() { # group/key
    awk -F= -v group="[${1%/*}]" -v key="${1##*/}" \
        '/^\[/ { inside = ($0 == group) } inside && $1 == key { print $2 }' "$conf"
}
expect_value() { # group/key value
    [ "$(value "$1")" = "$2" ] || e2e_fail "$1 is '$(value "$1")', not '$2': $(cat "$conf")"
}
# The brightest grey in the screen's rectangle x y w h, 0..255.
brightest() {
    import -display "$DISPLAY" -window root "$E2E_HOME/area.png"
    /usr/bin/convert "$E2E_HOME/area.png" -crop "$3x$4+$1+$2" +repage -colorspace gray \
        -format "%[fx:int(255*maxima)]" info:
}
# At 1280x720 the caption strip lies between the arrows, 600 to 618 from
# the top; Continue right of the middle below it; the front item at the centre.
caption() { brightest 500 600 280 18; }
continue_button() { brightest 650 640 130 24; }
front_item() { brightest 560 460 160 40; }
# Waits up to 5 seconds for a selection wheel to be drawn.
wait_wheel() {
    for _ in $(seq 50); do
        [ "$(continue_button)" -gt 100 ] && [ "$(front_item)" -gt 100 ] && return 0
        sleep 0.1
    done
    e2e_fail "$1"
}
# A press held well past the keyboard's repeat delay (660 ms here) and
# released while the game is stopped, as a slow frame or a screen loading
# holds it: the repeats queued meanwhile are read only after the release.
hold_key() {
    xdotool keydown "$1"
    sleep 1.5
    kill -STOP "$E2E_GAME"
    sleep 0.2
    xdotool keyup "$1"
    sleep 0.3
    kill -CONT "$E2E_GAME"
    sleep 0.5
}
# A turn takes at most three quarters of a second.
turn() {
    xdotool key "$1"
    sleep 1
}
expect_caption() { # shown|none
    local c; c=$(caption)
    if [ "$1" = shown ]; then
        [ "$c" -gt 180 ] || e2e_fail "$2: no caption ($c)"
    else
        [ "$c" -lt 40 ] || e2e_fail "$2: a caption is shown ($c)"
    fi
}

start_game
title_menu "no title menu"
# Held on, the Enter that chose Play does not confirm on the stage wheel,
# even when the game is busy as it comes up.
hold_key Return
no_menu "Play left the title menu up"
wait_wheel "Play showed no stage wheel"
sleep 0.5
e2e_shot flow-stages-first
expect_caption none "the stage wheel did not open on the tutorial"
[ "$(value Player/TutorialRun)" = "" ] || e2e_fail "the tutorial flag was stored before a choice"
# The tutorial; Escape ends it, and the stage wheel comes back on stage 1.
xdotool key Return
sleep 2
expect_value Player/TutorialRun 1
e2e_shot flow-tutorial
xdotool key Escape
sleep 1
wait_wheel "the tutorial did not lead back to the stage wheel"
expect_caption shown "the stage wheel is not on stage 1 after the tutorial"
e2e_shot flow-stages
xdotool key Return
sleep 1
expect_value Game/Easy/SelectedStage 0
# The level wheel on level 1 with its best time; level 3 is next to play
# and has no caption; level 4 is locked and cannot be played.
wait_wheel "stage 1 showed no level wheel"
expect_caption shown "level 1 shows no best time"
e2e_shot flow-levels
turn Right
expect_caption shown "level 2 shows no best time"
turn Right
expect_caption none "the next level to play has a caption"
turn Right
expect_caption shown "the locked level 4 has no caption"
[ "$(continue_button)" -lt 130 ] || e2e_fail "Continue is not dimmed on a locked level"
e2e_shot flow-levels-locked
xdotool key Return
sleep 0.5
no_menu "Enter on a locked level did something"
[ "$(front_item)" -gt 100 ] || e2e_fail "Enter on a locked level left the wheel"
turn Left
xdotool key Return
sleep 2
expect_value Game/Easy/SelectedLevel1 2
e2e_shot flow-level
# Escape pauses, Escape in the pause menu aborts the level; held on past
# the keyboard's repeat delay, it does not leave the level wheel as well,
# even when the game is busy as it comes up.
xdotool key Escape
e2e_wait_menu 10 >/dev/null || e2e_fail "Escape did not pause the level"
sleep 0.3
hold_key Escape
no_menu "the pause menu stayed"
wait_wheel "aborting the level did not lead back to the level wheel"
expect_caption none "the level wheel is not on the aborted level"
# Escape leaves the level wheel, then the stage wheel.
xdotool key Escape
sleep 1
expect_caption shown "Escape did not lead back to the stage wheel on stage 1"
xdotool key Escape
title_menu "Escape on the stage wheel did not lead back to the title menu"
expect_value Game/Easy/SelectedLevel1 2
expect_value Game/Easy/SelectedStage 0
expect_value Game/Easy/MaximumLevel 2
xdotool key Escape
e2e_wait_exit $E2E_GAME 20 || e2e_fail "Escape on the title menu did not end the program"
[ "$E2E_STATUS" = 0 ] || e2e_fail "the game ended with $E2E_STATUS"

# After a restart: stage 1 at the front, the level last chosen.
start_game
title_menu "no title menu after a restart"
xdotool key Return
wait_wheel "no stage wheel after a restart"
sleep 0.3
expect_caption shown "the stage wheel did not open on stage 1 after a restart"
xdotool key Return
sleep 1
wait_wheel "no level wheel after a restart"
expect_caption none "the level wheel did not open on level 3 after a restart"
turn Left
expect_caption shown "level 2 lost its best time"
e2e_shot flow-levels-restarted
# A close request on a wheel ends the session and the program.
xdotool key alt+F4
e2e_wait_exit $E2E_GAME 20 || e2e_fail "a close request on the level wheel did not end the program"
E2E_GAME=
[ "$E2E_STATUS" = 0 ] || e2e_fail "the game ended with $E2E_STATUS after a close request"
expect_value Game/Easy/SelectedLevel1 1
expect_value Game/Easy/HighScore1 75
expect_value Game/Easy/HighScore2 600
grep -i critical "$E2E_HOME/game.err" && e2e_fail "GTK complained"
echo "flow: ok"
