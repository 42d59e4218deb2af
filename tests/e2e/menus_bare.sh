#!/bin/bash
# The dialogs and menus on an X server without a window manager, as kiosks
# and bare X sessions run the game: nothing hands them the keyboard there.
# The terms and the display dialog at the first start take it; the title
# menu takes Down and Enter, and again once Escape has left the stage wheel;
# the game never asks to be minimised meanwhile.
. "$(dirname "$0")/session.sh"
game=$1
e2e_start_display bare
screen=$(e2e_screen_size)
width=${screen%x*} height=${screen#*x}

# Every request of the game to be minimised is a message to the root window.
stdbuf -oL xev -root -event substructure >"$E2E_HOME/root.log" 2>&1 &
E2E_SERVERS="$E2E_SERVERS $!"
sleep 0.3

# Waits for the window titled $1 to have the keyboard; fails with $2.
wait_keyboard() {
    local win
    win=$(e2e_wait_window "$1" 20) || e2e_fail "$2: no window"
    for _ in $(seq 100); do
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$win" ] && return 0
        sleep 0.1
    done
    e2e_fail "$2: the window has not the keyboard"
}
# Down and Enter on the title menu ($1, of size $2) open the settings.
open_settings() {
    xdotool key --delay 50 Down Return
    e2e_next_menu "$1" "$3: the keys opened no menu"
    [ "$MENU_W $MENU_H" != "$2" ] || e2e_fail "$3: Down and Enter did not open the settings"
}
# Escape on the settings brings the title menu back.
back_to_title() {
    xdotool key Escape
    e2e_next_menu "$1" "$2: no title menu with the keyboard"
    [ "$MENU_W $MENU_H" = "$title_size" ] || e2e_fail "$2: another menu than the title menu"
}
wheel_shown() {
    [ "$(e2e_colours $(( width * 7 / 16 )) $(( height * 16 / 25 )) $(( width / 8 )) $(( height / 18 )))" \
        -gt 50 ]
}

# Terms not yet accepted, and a stored mode that the display does not offer.
mkdir -p "$XDG_CONFIG_HOME/skylume"
printf '[Display]\nIndex=0\nTop=0\nLeft=0\nWidth=%s\nHeight=%s\nGameWidth=1600\nGameHeight=1200\nDepth=32\n' \
    "$width" "$height" >"$XDG_CONFIG_HOME/skylume/skylume.conf"
"$game" >"$E2E_HOME/game.out" 2>"$E2E_HOME/game.err" & E2E_GAME=$!
wait_keyboard "License Agreement" "the terms"
xdotool key alt+a
wait_keyboard "Display Settings" "the display dialog"
xdotool key --delay 50 Down Return
e2e_next_menu none "no title menu with the keyboard at start"
title=$MENU_ID title_size="$MENU_W $MENU_H"
e2e_shot bare-title
open_settings "$title" "$title_size" "at start"
back_to_title "$MENU_ID" "Escape on the settings"

# Enter plays: the stage wheel; Escape leaves it for the title menu.
title=$MENU_ID
xdotool key Return
for _ in $(seq 100); do wheel_shown && break; sleep 0.1; done
wheel_shown || e2e_fail "Enter on the title menu did not show the stage wheel"
xdotool key Escape
e2e_next_menu "$title" "Escape on the stage wheel: no title menu with the keyboard"
[ "$MENU_W $MENU_H" = "$title_size" ] || e2e_fail "Escape on the stage wheel: not the title menu"
e2e_shot bare-title-again
open_settings "$MENU_ID" "$title_size" "back from the stage wheel"
back_to_title "$MENU_ID" "Escape on the settings again"

xdotool key Escape
e2e_wait_exit $E2E_GAME 20 || e2e_fail "Escape on the title menu did not end the program"
E2E_GAME=
[ "$E2E_STATUS" = 0 ] || e2e_fail "the game ended with $E2E_STATUS"
grep -q MapNotify "$E2E_HOME/root.log" || e2e_fail "the root window was not watched"
grep -q WM_CHANGE_STATE "$E2E_HOME/root.log" && e2e_fail "the game asked to be minimised"
grep -i critical "$E2E_HOME/game.err" && e2e_fail "GTK complained"
echo "menus without a window manager: ok"
