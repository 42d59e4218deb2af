#!/bin/bash
# The display-mode layer on both kinds of X server: one that switches modes
# (Xorg with the dummy driver) and one with a single mode (Xvfb).
. "$(dirname "$0")/session.sh"
test=$1
status=0
for screen in switching single; do
    if [ $screen = switching ]; then e2e_start_display modes; else e2e_start_display; fi
    SKYLUME_SCREEN=$screen "$test" || status=1
    # The desktop must be as it was, whatever the test did.
    xrandr 2>/dev/null | grep -q "current 1280 x 720" || { echo "FAIL: desktop left changed" >&2; status=1; }
    trap - EXIT
    e2e_stop
done
exit $status
