#!/bin/sh
# Runs one test program on a private Xvfb screen at depth 24. The random
# first display number keeps parallel runs from racing for the same one.
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
exec xvfb-run -a -n $(( 100 + $(od -An -N2 -tu2 /dev/urandom) % 30000 )) \
    -s "-screen 0 1280x720x24 -nolisten tcp" "$@"
