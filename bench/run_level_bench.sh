#!/bin/bash
# The level screen's frame rate with Mesa's software renderer under Xvfb,
# at 1280x720 and at 1920x1080.
#   bench/run_level_bench.sh build/bench/level_bench [seconds]
bench=${1:?usage: $0 path/to/level_bench [seconds]}
export GDK_BACKEND=x11 NO_AT_BRIDGE=1 LIBGL_ALWAYS_SOFTWARE=1
for size in 1280x720 1920x1080; do
    echo "== $size"
    xvfb-run -a -s "-screen 0 ${size}x24 -nolisten tcp" "$bench" "${2:-15}"
done
