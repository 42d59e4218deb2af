# Shared by the whole-program tests: a private X display with a window
# manager, a private home, and helpers to wait for windows and processes.
set -u

# With the argument "modes" the display is a real X server (Xorg with the
# dummy driver) that offers several modes and switches between them.
e2e_start_display() {
    E2E_HOME=$(mktemp -d /tmp/skylume-e2e-XXXXXX)
    export HOME=$E2E_HOME XDG_CONFIG_HOME=$E2E_HOME/.config GDK_BACKEND=x11 NO_AT_BRIDGE=1
    exec 5>"$E2E_HOME/displayfd"
    if [ "${1:-}" = modes ]; then
        mkdir "$E2E_HOME/xorg.conf.d"
        Xorg -displayfd 5 -config "$(dirname "${BASH_SOURCE[0]}")/xorg-dummy.conf" \
            -configdir "$E2E_HOME/xorg.conf.d" -noreset -nolisten tcp \
            -logfile "$E2E_HOME/xorg.log" >"$E2E_HOME/xvfb.log" 2>&1 &
    else
        Xvfb -displayfd 5 -screen 0 1280x720x24 -nolisten tcp >"$E2E_HOME/xvfb.log" 2>&1 &
    fi
    E2E_XVFB=$!
    for _ in $(seq 100); do
        [ -s "$E2E_HOME/displayfd" ] && break
        sleep 0.1
    done
    export DISPLAY=:$(head -n1 "$E2E_HOME/displayfd")
    openbox --sm-disable >"$E2E_HOME/openbox.log" 2>&1 &
    E2E_WM=$!
    sleep 0.5
    trap e2e_stop EXIT
}

e2e_stop() {
    [ -n "${E2E_GAME:-}" ] && kill "$E2E_GAME" 2>/dev/null
    kill "$E2E_WM" "$E2E_XVFB" 2>/dev/null
    wait 2>/dev/null
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
