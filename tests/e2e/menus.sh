#!/bin/bash
# The menus as a player meets them: the game opens on the title menu over a
# black stage; Settings edits every setting by keys, popup and mouse; OK
# stores them, and they are there after a restart; Exit ends the program and
# leaves the desktop as it was. With $2 = "modes" the display really
# switches: the game runs in a stored 1024x768 mode.
. "$(dirname "$0")/session.sh"
game=$1
e2e_start_game_display "${2:-}"
conf=$XDG_CONFIG_HOME/skylume/skylume.conf

start_game() {
    "$game" >"$E2E_HOME/game.out" 2>"$E2E_HOME/game.err" & E2E_GAME=$!
}
# Clicks the title menu's button $1 (0 Play, 1 Settings, 2 Exit): the
# column's bottom right, 5 pixels in; each button a twentieth of the screen
# high, five times as wide, with 5 pixels around it.
click_title_button() {
    local h=$(( ${screen#*x} / 20 ))
    local x=$(( MENU_X + MENU_W - 10 - 5 * h / 2 ))
    local y=$(( MENU_Y + MENU_H - 10 - h / 2 - (2 - $1) * (h + 10) ))
    xdotool mousemove "$x" "$y" click 1
}
value() { # group/key
    awk -F= -v group="[${1%/*}]" -v key="${1#*/}" \
        '/^\[/ { inside = ($0 == group) } inside && $1 == key { print $2 }' "$conf"
}
expect_values() { # difficulty music speed direction left right fire
    local keys="Player/Difficulty Player/Music Control/Speed Control/Direction Control/Left
                Control/Right Control/Fire" i=1
    for key in $keys; do
        [ "$(value "$key")" = "$(echo "$@" | cut -d' ' -f$i)" ] \
            || e2e_fail "$key is '$(value "$key")', not $(echo "$@" | cut -d' ' -f$i): $(cat "$conf")"
        i=$(( i + 1 ))
    done
}
end_game() {
    e2e_wait_exit $E2E_GAME 20 || e2e_fail "$1 did not end the program"
    E2E_GAME=
    [ "$E2E_STATUS" = 0 ] || e2e_fail "the game ended with $E2E_STATUS after $1"
    [ "$(e2e_screen_size)" = "$desktop" ] || e2e_fail "desktop left at $(e2e_screen_size) after $1"
    grep -i critical "$E2E_HOME/game.err" && e2e_fail "GTK complained"
}

start_game
e2e_next_menu none "no title menu"
[ "$(e2e_screen_size)" = "$screen" ] || e2e_fail "the game runs at $(e2e_screen_size), not $screen"
sleep 0.3
e2e_shot "${shot}title"
[ "$(e2e_pixel 5 5)" = "0,0,0" ] || e2e_fail "the stage is not black around the title menu"
[ "$(e2e_pixel $(( MENU_X + MENU_W / 3 )) $(( MENU_Y + MENU_H / 2 )))" != "0,0,0" ] \
    || e2e_fail "the title menu shows no picture"
title=$MENU_ID

# Settings by mouse; the menu opens with OK focused.
click_title_button 1
e2e_next_menu "$title" "Settings opened no menu"
settings=$MENU_ID
sleep 0.3
e2e_shot "${shot}settings"
# Tab wraps from OK past Cancel to the difficulty; Right makes it Hard.
xdotool key --delay 50 Tab Tab Right
# The music through its popup: the first option is Off.
xdotool key --delay 50 Tab Return
sleep 0.5
e2e_shot "${shot}settings-popup"
xdotool key --delay 50 Down Return
# Its popup took the keyboard for a moment: the game must not have stepped aside.
sleep 0.5
xprop -id "$(e2e_wait_window Skylume 1)" _NET_WM_STATE | grep -q HIDDEN \
    && e2e_fail "the popup made the game step aside"
# The three keys: each takes the next key pressed.
xdotool key --delay 50 Tab Return
sleep 0.3
e2e_shot "${shot}settings-press-key"
xdotool key --delay 50 a Tab Return d Tab Return w
# Speed down to Slow, direction to Reverse, then Tab to OK.
xdotool key --delay 50 Tab Left Tab Right
sleep 0.3
e2e_shot "${shot}settings-edited"
[ "$(value Player/Difficulty)" = "" ] || e2e_fail "settings stored before OK"
xdotool key --delay 50 Tab Return
e2e_next_menu "$settings" "OK did not bring the title menu back"
expect_values 2 0 0 1 65 68 87
# Exit by mouse.
click_title_button 2
end_game "Exit"

# The next start shows what was stored; OK writes it back unchanged. Enter
# held past the keyboard's repeat delay opens the settings and nothing more.
start_game
e2e_next_menu none "no title menu after a restart"
title_size="$MENU_W $MENU_H"
xdotool key Down keydown Return sleep 1.5 keyup Return
# Its popup took the keyboard for a moment: the game must not have stepped aside.
sleep 0.5
xprop -id "$(e2e_wait_window Skylume 1)" _NET_WM_STATE | grep -q HIDDEN \
    && e2e_fail "the popup made the game step aside"
e2e_next_menu "$MENU_ID" "Settings opened no menu after a restart"
[ "$MENU_W $MENU_H" != "$title_size" ] || e2e_fail "the held Enter went on past the settings"
sleep 0.3
e2e_shot "${shot}settings-restarted"
before=$(cat "$conf")
xdotool key Return
e2e_next_menu "$MENU_ID" "OK did not bring the title menu back after a restart"
expect_values 2 0 0 1 65 68 87
[ "$(cat "$conf")" = "$before" ] || e2e_fail "the stored settings changed: $(cat "$conf")"
# Escape on the title menu ends the game as Exit does.
xdotool key Escape
end_game "Escape"
echo "menus: ok"
