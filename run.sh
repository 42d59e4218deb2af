#!/bin/bash
# Sets up what is missing, builds, and starts the game or runs every test.
#   ./run.sh game    build and start Skylume
#   ./run.sh test    build and run all tests (also with sanitizers)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake g++ make pkg-config
  libwxgtk3.2-dev libgtk-3-dev libgl1-mesa-dev libgl1-mesa-dri
  libgtest-dev
  libasound2-dev libfluidsynth-dev timgm6mb-soundfont libxrandr-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool x11-xserver-utils imagemagick openbox
  python3-pil python3-numpy fonts-dejavu-core
  libxfixes-dev libxi-dev x11-utils xserver-xorg-core xserver-xorg-video-dummy
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build() { # dir [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

run_tests() { # dir [ctest args...]
  local dir=$1; shift
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "$@"
}

# ThreadSanitizer build of the tests labelled "thread" only.
build_thread_tests() { # dir
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYLUME_SANITIZE=thread >/dev/null
  cmake --build "$1" -j"$(nproc)" --target audio_thread_test platform_audio_device_test
}

# libFuzzer targets, a clang project of their own.
build_fuzz() { # dir
  cmake -S tests/fuzz -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  cmake --build "$1" -j"$(nproc)"
}

case "${1:-}" in
  game)
    install_missing
    build build
    exec build/skylume
    ;;
  test)
    install_missing
    build build
    build build-sanitize -DSKYLUME_SANITIZE=address,undefined
    build_thread_tests build-tsan
    build_fuzz build-fuzz
    status=0
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-sanitize -LE assets || status=1
    # FluidSynth loads its sound font on OpenMP threads that ThreadSanitizer cannot follow.
    OMP_NUM_THREADS=1 TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -L thread --output-on-failure -j"$(nproc)" || status=1
    ctest --test-dir build-fuzz --output-on-failure -j2 || status=1
    run_tests build || status=1
    exit $status
    ;;
  *)
    echo "usage: $0 game|test" >&2
    exit 2
    ;;
esac
