#!/bin/sh
# Runs one test program on a private Xvfb screen at depth 24.
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
exec xvfb-run -a -s "-screen 0 1280x720x24 -nolisten tcp" "$@"
