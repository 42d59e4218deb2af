#!/bin/bash
# First start asks for the terms; Escape ends the program with nothing
# written; Agree stores the acceptance and goes on to the title menu; the
# next start asks nothing and opens on the title menu. Escape there ends it.
# The player's own files beside the settings stay, whatever their names.
. "$(dirname "$0")/session.sh"
game=$1
e2e_start_display
conf=$XDG_CONFIG_HOME/skylume/skylume.conf

"$game" & E2E_GAME=$!
win=$(e2e_wait_window "License Agreement" 20) || e2e_fail "no terms dialog on first start"
xdotool windowactivate --sync "$win" 2>/dev/null; sleep 0.3
xdotool key Escape
e2e_wait_exit $E2E_GAME 10 || e2e_fail "Escape did not end the program"
E2E_GAME=
[ -e "$conf" ] && e2e_fail "declining wrote $conf"

mkdir -p "$(dirname "$conf")"
for name in backup 200801; do echo "player's $name" >"$conf.$name"; done
"$game" & E2E_GAME=$!
win=$(e2e_wait_window "License Agreement" 20) || e2e_fail "no terms dialog after declining"
xdotool windowactivate --sync "$win" 2>/dev/null; sleep 0.3
xdotool key alt+a
e2e_wait_menu 30 >/dev/null || e2e_fail "no title menu after Agree"
grep -qx 'EulaVersion=1' "$conf" || e2e_fail "acceptance not stored in $conf"
for name in backup 200801; do
    grep -qx "player's $name" "$conf.$name" || e2e_fail "$conf.$name gone after a start and a save"
done

xdotool key Escape
e2e_wait_exit $E2E_GAME 20 || e2e_fail "Escape on the title menu did not end the program"
E2E_GAME=

# Accepted: no terms, straight to the title menu.
"$game" & E2E_GAME=$!
e2e_wait_menu 30 >/dev/null || e2e_fail "no title menu on an accepted start"
e2e_wait_window "License Agreement" 1 >/dev/null && e2e_fail "terms asked again after acceptance"

xdotool key Escape
e2e_wait_exit $E2E_GAME 20 || e2e_fail "accepted start did not end"
E2E_GAME=
[ "$E2E_STATUS" = 0 ] || e2e_fail "accepted start ended with $E2E_STATUS"
echo "startup terms: ok"
