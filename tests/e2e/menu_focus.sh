#!/bin/bash
# Another program takes the focus while a menu is open: the game steps aside
# at once (desktop mode, frame minimised, menu gone with it) without waiting
# for input. Coming back, by the taskbar's activation of the frame or by
# Alt+Tab, brings the game mode, the full-size frame and the menu on top with
# a focused button; keys reach it and play goes on. A menu that comes up
# just as the player switches to another program leaves that program the
# keyboard. $2 is a program whose
# "--other" window takes the focus; with $3 = "modes" the display really
# switches: the game runs in a stored 1024x768 mode.
. "$(dirname "$0")/session.sh"
game=$1 probe=$2
e2e_start_game_display "${3:-}"
width=${screen%x*} height=${screen#*x}

# Waits for a menu with the keyboard; sets MENU_ID, MENU_X, MENU_Y, MENU_W, MENU_H.
wait_menu() {
    read -r MENU_ID MENU_X MENU_Y MENU_W MENU_H < <(e2e_wait_menu 20) || e2e_fail "$1"
}
frame_state() { xprop -id "$frame" _NET_WM_STATE 2>/dev/null; }
# A menu of the game on screen, with the keyboard or not.
menu_shown() {
    for id in $(xdotool search --onlyvisible --class skylume 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _DIALOG && return 0
    done
    return 1
}
# Takes the focus with another program's window; the game must step aside
# by itself: nothing of the game sees any input meanwhile. With $2, that key
# goes to the game at once before, in the same call, as a quick player does.
switch_away() {
    "$probe" --other >/dev/null 2>&1 & other=$!
    local win; win=$(e2e_wait_window Other 20) || e2e_fail "no other window"
    if [ -n "${2:-}" ]; then
        # The new window took the focus: the key is for the game's menu.
        xdotool windowactivate "$frame" 2>/dev/null
        wait_menu "$1: no menu with the keyboard before the switch"
    fi
    xdotool ${2:+key "$2"} windowactivate "$win" 2>/dev/null
    for _ in $(seq 100); do
        frame_state | grep -q _NET_WM_STATE_HIDDEN && [ "$(e2e_screen_size)" = "$desktop" ] \
            && ! menu_shown && break
        sleep 0.1
    done
    frame_state | grep -q _NET_WM_STATE_HIDDEN || e2e_fail "$1: the game was not minimised"
    [ "$(e2e_screen_size)" = "$desktop" ] || e2e_fail "$1: the desktop is left at $(e2e_screen_size)"
    menu_shown && e2e_fail "$1: the menu stayed on the desktop"
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ] || e2e_fail "$1: the game took the keyboard back"
    e2e_shot "${shot}menu-focus-away"
}
# The menu $2 (its id, or its size "W H") is back on top of the full-size
# frame in the game mode, with the keys.
expect_back() {
    wait_menu "$1: no menu with the keyboard"
    [ "$MENU_ID" = "$2" ] || [ "$MENU_W $MENU_H" = "$2" ] || e2e_fail "$1: another menu came back ($MENU_ID $MENU_W $MENU_H, not $2)"
    kill "$other"
    # The window manager may give the menu back the keys before the game has
    # seen the focus and run its curtain and mode switch.
    for _ in $(seq 100); do
        [ "$(e2e_screen_size)" = "$screen" ] && break
        sleep 0.1
    done
    [ "$(e2e_screen_size)" = "$screen" ] || e2e_fail "$1: the game runs at $(e2e_screen_size)"
    xwininfo -id "$frame" | grep -q "Width: $width" && xwininfo -id "$frame" | grep -q "Height: $height" \
        || e2e_fail "$1: the frame is $(xwininfo -id "$frame" | grep -E 'Width|Height' | tr -s ' \n' ' ')"
    frame_state | grep -q _NET_WM_STATE_HIDDEN && e2e_fail "$1: the frame is still minimised"
    sleep 0.3
    e2e_shot "${shot}menu-focus-back"
    [ "$(e2e_pixel $(( MENU_X + MENU_W / 3 )) $(( MENU_Y + MENU_H / 2 )))" != "0,0,0" ] \
        || e2e_fail "$1: the menu is not on screen"
}

# A window manager slow to hand the focus to the new game (stopped here for
# two seconds) must not make the game step aside before it ever had it.
kill -STOP "$E2E_WM"
"$game" >"$E2E_HOME/game.out" 2>"$E2E_HOME/game.err" & E2E_GAME=$!
sleep 2
kill -CONT "$E2E_WM"
wait_menu "no title menu with the keyboard after a slow start"
title=$MENU_ID title_size="$MENU_W $MENU_H"
frame=$(e2e_wait_window Skylume 5) || e2e_fail "no game window"
frame_state | grep -q _NET_WM_STATE_HIDDEN && e2e_fail "the game started minimised"

# The title menu; back through the taskbar, which activates the frame.
switch_away "title menu"
xdotool windowactivate "$frame" 2>/dev/null
expect_back "activating the frame" "$title"
# The focus is on a button: Down moves it to Settings, Enter opens them.
xdotool key --delay 50 Down Return
for _ in $(seq 50); do
    wait_menu "Settings did not open"
    [ "$MENU_ID" != "$title" ] && break
    sleep 0.1
done
[ "$MENU_W $MENU_H" != "$title_size" ] || e2e_fail "keys did not reach the title menu's buttons"
settings=$MENU_ID

# The settings menu; back by Alt+Tab.
switch_away "settings menu"
xdotool key alt+Tab
expect_back "Alt+Tab" "$settings"
# Escape reaches it, and the title menu that it brings up does not take the
# keyboard from the program the player switches to at once; nor do the
# settings, a menu with a default button, opened the same way.
switch_away "closing the settings" Escape
xdotool windowactivate "$frame" 2>/dev/null
expect_back "back after closing the settings" "$title_size"
xdotool key Down
switch_away "opening the settings" Return
xdotool windowactivate "$frame" 2>/dev/null
wait_menu "no settings menu after coming back"
[ "$MENU_W $MENU_H" != "$title_size" ] || e2e_fail "Enter on the title menu did not open the settings"
expect_back "back after opening the settings" "$MENU_ID"
# Escape brings the title menu; Play on it shows the stage wheel's pictures.
xdotool key Escape
e2e_next_menu "$MENU_ID" "Escape did not bring the title menu back"
xdotool key Return
for _ in $(seq 50); do
    [ "$(e2e_colours $(( width * 7 / 16 )) $(( height * 16 / 25 )) $(( width / 8 )) $(( height / 18 )))" \
        -gt 50 ] && break
    sleep 0.1
done
e2e_shot "${shot}menu-focus-play"
[ "$(e2e_colours $(( width * 7 / 16 )) $(( height * 16 / 25 )) $(( width / 8 )) $(( height / 18 )))" \
    -gt 50 ] || e2e_fail "the stage wheel shows no pictures after coming back"
grep -i critical "$E2E_HOME/game.err" && e2e_fail "GTK complained"
echo "menu focus: ok"
