# Shared by the whole-program tests: a private X display with a window
# manager, a private home, and helpers to wait for windows and processes.
set -u

# Starts an X server with a window manager on it; with the argument "modes"
# a real X server (Xorg with the dummy driver) that offers several modes and
# switches between them; with "bare" an X server without a window manager,
# as kiosks and bare X sessions have. Leaves its display in E2E_NEW_DISPLAY
# and the processes in E2E_NEW_SERVER and E2E_NEW_WM (empty when bare);
# e2e_stop ends them all.
e2e_start_server() {
    local displayfd
    displayfd=$(mktemp "$E2E_HOME/displayfd-XXXXXX")
    exec 5>"$displayfd"
    if [ "${1:-}" = modes ]; then
        mkdir -p "$E2E_HOME/xorg.conf.d"
        Xorg -displayfd 5 -config "$(dirname "${BASH_SOURCE[0]}")/xorg-dummy.conf" \
            -configdir "$E2E_HOME/xorg.conf.d" -noreset -nolisten tcp \
            -logfile "$displayfd.xorg.log" >"$displayfd.log" 2>&1 &
    else
        Xvfb -displayfd 5 -screen 0 1280x720x24 -nolisten tcp >"$displayfd.log" 2>&1 &
    fi
    E2E_NEW_SERVER=$!
    exec 5>&-
    for _ in $(seq 100); do
        [ -s "$displayfd" ] && break
        sleep 0.1
    done
    E2E_NEW_DISPLAY=:$(head -n1 "$displayfd")
    E2E_NEW_WM=
    if [ "${1:-}" != bare ]; then
        DISPLAY=$E2E_NEW_DISPLAY openbox --sm-disable >"$displayfd.openbox.log" 2>&1 &
        E2E_NEW_WM=$!
    fi
    E2E_SERVERS="${E2E_SERVERS:-} $E2E_NEW_WM $E2E_NEW_SERVER"
    sleep 0.5
}

e2e_start_display() {
    E2E_HOME=$(mktemp -d /tmp/skylume-e2e-XXXXXX)
    export HOME=$E2E_HOME XDG_CONFIG_HOME=$E2E_HOME/.config GDK_BACKEND=x11 NO_AT_BRIDGE=1
    e2e_start_server "${1:-}"
    export DISPLAY=$E2E_NEW_DISPLAY
    E2E_XVFB=$E2E_NEW_SERVER E2E_WM=$E2E_NEW_WM
    trap e2e_stop EXIT
}

e2e_stop() {
    [ -n "${E2E_GAME:-}" ] && kill "$E2E_GAME" 2>/dev/null
    kill $E2E_SERVERS 2>/dev/null
    wait 2>/dev/null
    E2E_SERVERS=
    rm -rf "$E2E_HOME"
}

# Waits up to $2 seconds for a visible window titled $1; prints its id.
e2e_wait_window() {
    for _ in $(seq $(( $2 * 10 ))); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    return 1
}

# Waits up to $2 seconds for process $1 to end; leaves its status in E2E_STATUS.
e2e_wait_exit() {
    for _ in $(seq $(( $2 * 10 ))); do
        if ! kill -0 "$1" 2>/dev/null; then
            wait "$1"; E2E_STATUS=$?; return 0
        fi
        sleep 0.1
    done
    return 1
}

e2e_fail() {
    echo "FAIL: $*" >&2
    [ -n "${E2E_HOME:-}" ] && import -display "$DISPLAY" -window root "/tmp/skylume-e2e-fail.png" 2>/dev/null \
        && echo "screenshot: /tmp/skylume-e2e-fail.png" >&2
    exit 1
}

# Stores an accepted configuration: the game starts without the terms.
# Further lines for the file may follow as arguments.
e2e_accept_terms() {
    mkdir -p "$XDG_CONFIG_HOME/skylume"
    printf '[Registration]\nEulaVersion=1\n' >"$XDG_CONFIG_HOME/skylume/skylume.conf"
    for line in "$@"; do echo "$line" >>"$XDG_CONFIG_HOME/skylume/skylume.conf"; done
}

# Starts the display and stores accepted terms. With $1 = "modes" the display
# really switches: the game runs in a stored 1024x768 mode; with "bare" there
# is no window manager. Sets desktop (the screen's size before the game),
# screen (the game's) and shot (a prefix for screenshot names).
e2e_start_game_display() {
    e2e_start_display "$1"
    desktop=$(e2e_screen_size)
    if [ "$1" = modes ]; then
        e2e_accept_terms '[Display]' Index=0 Top=0 Left=0 Width=1280 Height=720 \
            GameWidth=1024 GameHeight=768 Depth=32
        screen=1024x768 shot=modes-
    else
        e2e_accept_terms
        screen=$desktop shot=
    fi
}

# Waits up to $2 seconds (default 10) for the line $1 in the file $E2E_LOG.
e2e_expect() {
    for _ in $(seq $(( ${2:-10} * 10 ))); do
        grep -qxF -- "$1" "$E2E_LOG" && return 0
        sleep 0.1
    done
    echo "--- $E2E_LOG:" >&2; cat "$E2E_LOG" >&2
    e2e_fail "expected the line '$1'"
}

# Saves a screenshot as $1.png into $SKYLUME_SHOTS when that is set.
e2e_shot() {
    [ -n "${SKYLUME_SHOTS:-}" ] || return 0
    mkdir -p "$SKYLUME_SHOTS"
    import -display "$DISPLAY" -window root "$SKYLUME_SHOTS/$1.png"
}

# The colour of the screen pixel ($1, $2) as "r,g,b".
e2e_pixel() {
    import -display "$DISPLAY" -window root "$E2E_HOME/pixel.png"
    /usr/bin/convert "$E2E_HOME/pixel.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}

# The size of the screen as "WxH".
e2e_screen_size() {
    xrandr 2>/dev/null | sed -n 's/.*current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'
}

# Waits up to $1 seconds (tenths too: 0.1 is one look) for a menu of the game
# (a visible borderless dialog without a title) that has the keyboard; prints
# "id x y w h".
e2e_wait_menu() {
    for _ in $(seq "$(awk -v s="$1" 'BEGIN { print int(s * 10 + 0.5) }')"); do
        for id in $(xdotool search --onlyvisible --class skylume 2>/dev/null); do
            [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] || continue
            xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _DIALOG || continue
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
            [ "${WIDTH:-0}" -gt 100 ] || continue
            [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] || continue
            echo "$id $X $Y $WIDTH $HEIGHT"; return 0
        done
        sleep 0.1
    done
    return 1
}

# Waits for a menu with the keyboard other than the one with id $1; fails
# with $2 when none comes. Sets MENU_ID, MENU_X, MENU_Y, MENU_W, MENU_H.
e2e_next_menu() {
    for _ in $(seq 100); do
        read -r MENU_ID MENU_X MENU_Y MENU_W MENU_H < <(e2e_wait_menu 1) || continue
        [ "$MENU_ID" != "$1" ] && return 0
    done
    e2e_fail "$2"
}

# The number of colours in the screen's rectangle x y w h.
e2e_colours() {
    import -display "$DISPLAY" -window root "$E2E_HOME/area.png"
    /usr/bin/convert "$E2E_HOME/area.png" -crop "$3x$4+$1+$2" +repage -format "%k" info:
}
