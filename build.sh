#!/usr/bin/env bash
# Sets up, builds and lays out the configurator, then starts it or runs the tests.
#   ./build.sh run    start the program
#   ./build.sh test   run every test
#   ./build.sh windows        build for Windows (the Windows Qt once), lay out and pack the zip
#   ./build.sh windows-test   the same, then the Windows tests and the program under Wine
#   ./build.sh fuzz   build the fuzz targets with clang and run each for FUZZ_SECONDS (20)
# SANITIZE=1 builds into build-sanitize with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-run}
case "$action" in run | test | windows | windows-test | fuzz) ;; *)
    echo "usage: $0 run|test|windows|windows-test|fuzz" >&2
    exit 2
    ;;
esac

# Qt's own texts come from the translations package.
packages=(cmake g++ make qt6-base-dev qt6-qpa-plugins libqt6svg6 libcurl4-openssl-dev
    fonts-dejavu-core qt6-translations-l10n)
# The fault-injection tests stop writers at chosen system calls with strace; a test starts a
# Windows program under Wine, as the program starts a Windows updater. The device check is
# tested against Modbus TCP servers of pymodbus, which imports the serial modules even for TCP.
if [ "$action" = test ]; then
    packages+=(strace g++-mingw-w64-x86-64-posix wine wine64 python3-pymodbus python3-serial-asyncio)
fi
# The Windows build: Debian's MinGW-w64 cross compiler, the Qt sources and tools to build them,
# and NSIS for the installer.
case "$action" in windows | windows-test)
    packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 ninja-build dpkg-dev
        qt6-base-dev-tools xz-utils zip nsis)
    ;;
esac
# The Windows tests run under Wine; the main window is shown on a virtual X display.
[ "$action" != windows-test ] || packages+=(wine wine64 xvfb xauth x11-utils imagemagick unzip)

# The fuzz build: clang and its libFuzzer runtime.
if [ "$action" = fuzz ]; then
    packages+=(clang libclang-rt-dev)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# --- Windows -----------------------------------------------------------------------------
# The Windows Qt is made once per machine (dist/windows/build-qt.sh: unpacked from the shared
# folder beside the repository in seconds, or else built in 40-77 minutes), then the program,
# the tool and the tests are cross-built into build-windows, every source with -Werror.
# build-windows/program is the program folder; CF20914-windows-x64.zip and the installer
# CF20914-setup-x64.exe pack it.
case "$action" in windows | windows-test)
    dist/windows/windows.sh "$action"
    exit 0
    ;;
esac
# -------------------------------------------------------------------------------------------

# The fuzz build: the core and the targets in fuzz/ with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, into build-fuzz. Each target runs for FUZZ_SECONDS on its seed
# corpus (new inputs go to a scratch folder, the checked-in seeds stay as they are); a crash or
# a broken property stops the script with the fuzzer's report and the input that caused it.
if [ "$action" = fuzz ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCF_FUZZ=ON \
        -DCF_BUILD_TESTS=OFF >/dev/null
    cmake --build build-fuzz --parallel "$(nproc)"
    # The targets write each input to a scratch file; in memory that costs no disk syncs.
    [ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    for corpus in fuzz/corpus/*/; do
        name=$(basename "$corpus")
        mkdir -p "$work/$name"
        echo "fuzz_$name: ${FUZZ_SECONDS:-20} s"
        "build-fuzz/fuzz/fuzz_$name" -max_len=65536 -max_total_time="${FUZZ_SECONDS:-20}" \
            -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$PWD/build-fuzz/" \
            "$work/$name" "$corpus" 2>"$work/$name.log" || {
            tail -n 60 "$work/$name.log" >&2
            exit 1
        }
        grep -E '^stat::number_of_executed_units' "$work/$name.log" || true
    done
    exit 0
fi

build=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${SANITIZE:-0}" = 1 ]; then
    build=build-sanitize
    options=(-DCMAKE_BUILD_TYPE=Debug -DCF_SANITIZE=ON)
fi
# The test build, which CI runs, stops at a warning as the Windows build does; starting the
# program does not.
options+=(-DCF_WERROR="$([ "$action" = test ] && echo ON || echo OFF)")
cmake -S . -B "$build" "${options[@]}" >/dev/null
# Starting the program needs only the program and the command-line tool; the tests and
# benchmarks are built for the test run.
targets=()
[ "$action" != run ] || targets=(--target CF20914 cf20914-cli)
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
cmake --install "$build" --prefix "$build/program" >/dev/null

if [ "$action" = run ]; then
    exec "$build/program/CF20914"
fi
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
