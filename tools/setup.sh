#!/usr/bin/env bash
# Installs what is missing on Debian 12, builds, then runs the viewer or the tests.
#   tools/setup.sh run        build and start the viewer on a sample recording
#   tools/setup.sh test       build and run the whole test suite
#   tools/setup.sh sanitize   the suite under AddressSanitizer + UBSan, threaded tests under TSan
#   tools/setup.sh fuzz [S]   the recording fuzzer for S seconds (default 60)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

run_packages=(build-essential cmake pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
    libqt5charts5-dev libavcodec-dev libavformat-dev libswscale-dev libavutil-dev libbenchmark-dev)
test_packages=(xvfb xauth xdotool xcompmgr imagemagick clang-14 libclang-rt-14-dev
    desktop-file-utils appstream libxml2-utils man-db shared-mime-info xdg-utils
    libfile-mimeinfo-perl libglib2.0-bin dpkg-dev
    g++-mingw-w64-x86-64-posix)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}"
}

build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@"
    cmake --build "$dir" -j2
}

# Tests that need a real X server find one; the rest run offscreen.
with_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
    fi
}

run_suite() {
    local dir=$1
    shift
    with_display ctest --test-dir "$dir" --output-on-failure --no-tests=error "$@"
}

case "${1:-}" in
    run)
        install_missing "${run_packages[@]}"
        build build
        # A short recording of a simulated camera, opened and played at once.
        [ -f build/sample.raw ] ||
            build/tools/ostrel-raw/ostrel-raw generate build/sample.raw --seconds 5
        exec build/ostrel build/sample.raw
        ;;
    test)
        install_missing "${run_packages[@]}" "${test_packages[@]}"
        build build
        run_suite build
        ;;
    sanitize)
        install_missing "${run_packages[@]}" "${test_packages[@]}"
        build build-asan -DOSTREL_SANITIZE=address -DOSTREL_BUILD_BENCHMARKS=OFF
        # Cross-compiles and the install check run no code of ours under the sanitizer.
        run_suite build-asan -LE '^(build|install)$'
        # Only the threaded tests run under TSan: build just those.
        cmake -S . -B build-tsan -DOSTREL_SANITIZE=thread -DOSTREL_BUILD_BENCHMARKS=OFF
        mapfile -t threaded < <(ctest --test-dir build-tsan -N -L threads |
            sed -n 's/^ *Test *#[0-9]*: //p')
        cmake --build build-tsan -j2 --target "${threaded[@]}"
        TSAN_OPTIONS=halt_on_error=1 run_suite build-tsan -L threads
        ;;
    fuzz)
        install_missing "${test_packages[@]}"
        fuzz/run.sh "${2:-60}"
        ;;
    *)
        echo "usage: tools/setup.sh run|test|sanitize|fuzz [seconds]" >&2
        exit 1
        ;;
esac
