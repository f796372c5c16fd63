#!/usr/bin/env bash
# tools/build.sh run   installs missing packages, builds and starts Zefo in ./workspace
# tools/build.sh test  installs missing packages, builds and runs every test
# tools/build.sh sanitize  builds the core, zefo-batch and their tests in build-sanitize with
#                      the address and undefined-behaviour checks and runs those tests
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ ninja-build ccache qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libeigen3-dev libsqlite3-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth imagemagick fonts-liberation2 libgl-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

unity=OFF
[ "${CI:-}" = "true" ] && unity=ON

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=$unity >/dev/null
  cmake --build build
}

case "${1:-}" in
  run)
    build
    mkdir -p workspace/dat
    cp -n samples/*.dat workspace/dat/   # the sample lenses, for a first look
    cd workspace && exec ../build/src/gui/zefo
    ;;
  test)
    build
    cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
    ;;
  sanitize)
    # float-cast-overflow is not part of -fsanitize=undefined in GCC; every finding stops the test.
    checks="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer"
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=$unity \
          -DZEFO_GUI=OFF -DZEFO_BENCH=OFF -DCMAKE_CXX_FLAGS="$checks" >/dev/null
    cmake --build build-sanitize
    cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --output-on-failure -j2
    ;;
  *)
    echo "usage: tools/build.sh run|test|sanitize" >&2
    exit 2
    ;;
esac
