#!/usr/bin/env bash
# Kelvane's everyday commands, on Debian 12 (installs what it needs with apt-get):
#   ./dev.sh run    build, then let it snow: starts kelvane /s on the desktop (any key or mouse ends it);
#                   without a display, records snow to build/kelvane-snow.gif and says where
#   ./dev.sh test   build (Linux, and kelvane.scr for Windows), then run every test, Wine's included
#   ./dev.sh scr    build build/windows/kelvane.scr only
#   ./dev.sh asan   build under AddressSanitizer and UndefinedBehaviorSanitizer, then run the tests
#   ./dev.sh bench  build, then time a tick of the snow window
#   ./dev.sh soak   build, then run a million ticks and print the memory at the start and the end
#   ./dev.sh fuzz [SECONDS]  build the fuzz targets with clang, then run each for SECONDS (default 60)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(g++ cmake make pkg-config libgtest-dev libgif-dev libpng-dev
          qt6-base-dev libx11-dev libxcb1-dev libxcb-shm0-dev
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
          python3 xvfb xdotool x11-utils x11-xserver-utils imagemagick fonts-ipafont-mincho fonts-ipafont-gothic)

install_packages() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "dev.sh: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build PRESET [TARGET]: configures and builds everything, or just TARGET.
build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$(nproc)" ${2:+--target "$2"}
}

case "${1:-}" in
    run)
        install_packages
        if [ -n "${DISPLAY:-}" ]; then
            build linux kelvane
            exec build/linux/kelvane /s
        fi
        echo "dev.sh: no display (DISPLAY is not set), so the snow goes to a GIF instead"
        build linux kelvane-record
        build/linux/kelvane-record --width 640 --height 360 --frames 150 --out "$PWD/build/kelvane-snow.gif"
        ;;
    test)
        install_packages
        build windows
        build linux
        ctest --preset linux -j "$(nproc)"
        ;;
    asan)
        install_packages
        build asan
        ctest --preset asan -j "$(nproc)"
        ;;
    scr)
        install_packages
        build windows
        echo "dev.sh: $PWD/build/windows/kelvane.scr"
        ;;
    bench)
        install_packages
        build linux kelvane-bench
        build/linux/kelvane-bench
        ;;
    fuzz)
        PACKAGES+=(clang libclang-rt-14-dev)
        install_packages
        build fuzz
        # New inputs go to the build folder; the tree's seed corpus is only read.
        for target in fuzz_ini_file fuzz_snow_params fuzz_numbers fuzz_switches fuzz_raster fuzz_dialog; do
            mkdir -p "build/fuzz/corpus/$target"
            echo "dev.sh: $target for ${2:-60} s"
            "build/fuzz/$target" -max_total_time="${2:-60}" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
                "build/fuzz/corpus/$target" "tests/fuzz/corpus/$target"
        done
        ;;
    soak)
        install_packages
        build linux kelvane-soak
        build/linux/kelvane-soak
        ;;
    *)
        sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
