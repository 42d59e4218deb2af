#!/bin/bash
# The level screen's frame rate with Mesa's software renderer under Xvfb,
# at 1280x720 and at 1920x1080: the game's batched drawing, the old
# quad-by-quad drawing and the floor (clear and sky only), frame by frame in
# turn. Prefix taskset to measure a machine with fewer cores, and run it when
# the machine is otherwise idle: the load average is printed with the figures.
#   [taskset -c 0,1] bench/run_level_bench.sh build/bench/level_bench [seconds]
bench=${1:?usage: $0 path/to/level_bench [seconds]}
export GDK_BACKEND=x11 NO_AT_BRIDGE=1 LIBGL_ALWAYS_SOFTWARE=1
for size in 1280x720 1920x1080; do
    echo "== $size"
    xvfb-run -a -s "-screen 0 ${size}x24 -nolisten tcp" "$bench" "${2:-15}"
done
