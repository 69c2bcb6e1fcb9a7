#!/usr/bin/env bash
# Kelvane's everyday commands, on Debian 12 (each installs with apt-get only what it needs):
#   ./dev.sh run    build, then let it snow: starts kelvane /s on the desktop (any key or mouse ends it);
#                   without a display, records snow to build/kelvane-snow.gif and says where
#   ./dev.sh test   build (Linux, and kelvane.scr for Windows), then run every test, Wine's included
#   ./dev.sh scr    build build/windows/kelvane.scr only
#   ./dev.sh asan   build under AddressSanitizer and UndefinedBehaviorSanitizer, then run the tests
#   ./dev.sh bench  build, then time a tick of the snow window
#   ./dev.sh soak   build, then run a million ticks and print the memory at the start and the end
#   ./dev.sh fuzz [SECONDS]  build the fuzz targets with clang, then run each for SECONDS (default 60)
#   ./dev.sh dist   build the release of the last commit into dist/: the Debian package, the Windows
#                   installer and portable zip, the source tarball, SHA256SUMS
set -euo pipefail
cd "$(dirname "$0")"

# What each command needs from Debian, so that none installs more than it uses.
BUILD_PACKAGES=(g++ cmake make pkg-config)
# The Linux build and what its configuration asks for: Qt and X, the recorder's image libraries, and
# the test frameworks it looks for (GoogleTest, Python, xvfb-run).
LINUX_PACKAGES=(libgtest-dev libgif-dev libpng-dev qt6-base-dev libx11-dev libxcb1-dev libxcb-shm0-dev libxcb-dpms0-dev
                libfontconfig-dev libwayland-dev qt6-wayland qt6-base-private-dev python3 xvfb)
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
# The end-to-end tests on Xvfb: input, windows, screenshots, and the dialog's Japanese faces; the
# desktops' own screen savers that run Kelvane, each with a D-Bus session of its own; headless sway with
# its screenshot and key tools for Kelvane on Wayland.
E2E_PACKAGES=(xdotool x11-utils x11-xserver-utils imagemagick fonts-ipafont-mincho fonts-ipafont-gothic
              mate-screensaver xscreensaver dbus-daemon sway swayidle grim wtype)
# kelvane.scr's end-to-end tests, and the Debian package's checks.
TEST_ONLY_PACKAGES=(wine wine64 lintian desktop-file-utils)
# The Windows installer (makensis), which the test command tries under Wine.
INSTALLER_PACKAGES=(nsis)
# The release: the source tarball from git, the Debian package's dependencies (dpkg-shlibdeps).
DIST_PACKAGES=(git dpkg-dev file)

# install_packages PACKAGE...: installs those not installed yet.
install_packages() {
    local missing=()
    for package in "$@"; do
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
        install_packages "${BUILD_PACKAGES[@]}" "${LINUX_PACKAGES[@]}"
        if [ -n "${DISPLAY:-}" ]; then
            build linux kelvane
            status=0
            build/linux/kelvane /s || status=$?
            # 1: no X server answers on DISPLAY (kelvane has said so); anything else is the saver's own end.
            [ "$status" -eq 1 ] || exit "$status"
            echo "dev.sh: no X server answers on DISPLAY=$DISPLAY, so the snow goes to a GIF instead"
        else
            echo "dev.sh: no display (DISPLAY is not set), so the snow goes to a GIF instead"
        fi
        build linux kelvane-record
        build/linux/kelvane-record --width 640 --height 360 --frames 150 --out "$PWD/build/kelvane-snow.gif"
        ;;
    test)
        install_packages "${BUILD_PACKAGES[@]}" "${LINUX_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${E2E_PACKAGES[@]}" \
                         "${TEST_ONLY_PACKAGES[@]}" "${INSTALLER_PACKAGES[@]}"
        build windows
        build linux
        ctest --preset linux -j "$(nproc)"
        ;;
    asan)
        install_packages "${BUILD_PACKAGES[@]}" "${LINUX_PACKAGES[@]}" "${E2E_PACKAGES[@]}"
        build asan
        ctest --preset asan -j "$(nproc)"
        ;;
    scr)
        install_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
        build windows
        echo "dev.sh: $PWD/build/windows/kelvane.scr"
        ;;
    bench)
        install_packages "${BUILD_PACKAGES[@]}" "${LINUX_PACKAGES[@]}"
        build linux kelvane-bench
        build/linux/kelvane-bench
        ;;
    fuzz)
        install_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
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
        install_packages "${BUILD_PACKAGES[@]}" "${LINUX_PACKAGES[@]}"
        build linux kelvane-soak
        build/linux/kelvane-soak
        ;;
    dist)
        install_packages "${BUILD_PACKAGES[@]}" "${LINUX_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" \
                         "${INSTALLER_PACKAGES[@]}" "${DIST_PACKAGES[@]}"
        # A release is a commit: the tarball holds HEAD, so the rest must be built from it too.
        if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
            echo "dev.sh: dist builds the last commit, and the tree has changes: commit or stash them first" >&2
            exit 1
        fi
        # Every time stamp that gets into an artefact is the last commit's.
        SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
        export SOURCE_DATE_EPOCH
        version="$(sed -n 's/^project(Kelvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
        [ -n "$version" ] || { echo "dev.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }
        rm -rf dist build/dist-linux/package
        mkdir dist
        build windows kelvane-setup
        build dist-linux
        cpack --config build/dist-linux/CPackConfig.cmake -B "$PWD/build/dist-linux/package" >/dev/null
        cp build/dist-linux/package/kelvane_*.deb "build/windows/kelvane-${version}-setup.exe" dist/
        python3 windows/installer/portable_zip.py "dist/kelvane-${version}-windows-portable.zip" \
            build/windows/kelvane.scr build/windows/README.txt build/windows/LICENSE.txt
        git archive --format=tar --prefix="kelvane-${version}/" HEAD | gzip -9n > "dist/kelvane-${version}.tar.gz"
        (cd dist && sha256sum -- * > SHA256SUMS)
        ls -l dist
        ;;
    *)
        sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
