#!/bin/bash
# Two games at once on X servers that really switch: whichever ends first and
# however (Escape, a termination signal, a kill), every display shows the
# desktop's mode once both have ended. A game never takes the other's mode
# for the desktop's, nor puts the desktop back under the other's mode.
. "$(dirname "$0")/session.sh"
probe=$1
e2e_start_display modes
desktop=1280x720
record=_SKYLUME_DESKTOP_MODES

# Settings of their own for game $1 in the stored mode $2x$3.
settings() {
    mkdir -p "$E2E_HOME/$1/skylume"
    printf '[Registration]\nEulaVersion=1\n[Display]\nIndex=0\nTop=0\nLeft=0\nWidth=1280\nHeight=720\nGameWidth=%s\nGameHeight=%s\nDepth=32\n' \
        "$2" "$3" >"$E2E_HOME/$1/skylume/skylume.conf"
}
start() { # name settings display; sets the variable $name to its process
    XDG_CONFIG_HOME=$E2E_HOME/$2 DISPLAY=$3 "$probe" >"$E2E_HOME/$1.log" 2>&1 &
    eval "$1=$!"
}
ready() { E2E_LOG=$E2E_HOME/$1.log e2e_expect ready 30; }
ended() { e2e_wait_exit "$1" 20 || e2e_fail "a game did not end"; }
size() { DISPLAY=$1 e2e_screen_size; }
expect_size() { # display size what
    for _ in $(seq 30); do
        [ "$(size "$1")" = "$2" ] && return 0
        sleep 0.1
    done
    e2e_fail "$3: $1 shows $(size "$1"), not $2"
}
expect_back() { # display what
    expect_size "$1" $desktop "$2"
    DISPLAY=$1 xprop -root $record | grep -q "(STRING)" && e2e_fail "$2: a record is left on $1"
}

# One display, settings of their own in different modes; the second starts
# while the first is still behind its curtain or just past it.
settings a 1024 768
settings b 800 600
start a a "$DISPLAY"; sleep 1; start b b "$DISPLAY"
ready a; ready b
expect_size "$DISPLAY" 800x600 "the second game in front"
kill -TERM "$a"; ended "$a"
sleep 1
expect_size "$DISPLAY" 800x600 "the first game ended under the second"
xdotool key Escape; ended "$b"
expect_back "$DISPLAY" "after the first ended by a signal and the second by Escape"

start a a "$DISPLAY"; sleep 1; start b b "$DISPLAY"
ready a; ready b
kill -KILL "$b"; ended "$b"
# Its watcher puts the desktop back; the first game may take the display
# again as it gets the focus back.
sleep 3
kill -TERM "$a"; ended "$a"
expect_back "$DISPLAY" "after the second was killed and the first ended by a signal"

# One settings folder on two displays: each game's record is its display's.
e2e_start_server modes
second=$E2E_NEW_DISPLAY
settings both 1024 768
start a both "$DISPLAY"; ready a
start b both "$second"; ready b
expect_size "$second" 1024x768 "the game on the second display"
kill -KILL "$a"; ended "$a"
expect_back "$DISPLAY" "the first display after its game was killed"
[ "$(size "$second")" = 1024x768 ] || e2e_fail "the second display left its game's mode"
kill -TERM "$b"; ended "$b"
expect_back "$second" "the second display after its game ended"
echo "two games: ok"
