#!/usr/bin/env bash
# Sets up, builds and lays out the configurator, then starts it or runs the tests.
#   ./build.sh run    start the program
#   ./build.sh test   run every test
#   ./build.sh windows-check   type-check every source of the program for Windows
#   ./build.sh fuzz   build the fuzz targets with clang and run each for FUZZ_SECONDS (20)
# SANITIZE=1 builds into build-sanitize with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-run}
case "$action" in run | test | windows-check | fuzz) ;; *)
    echo "usage: $0 run|test|windows-check|fuzz" >&2
    exit 2
    ;;
esac

# Qt Serial Bus holds the Modbus client of the device check; Qt's own texts come from the
# translations package.
packages=(cmake g++ make qt6-base-dev qt6-serialbus-dev qt6-qpa-plugins libqt6svg6 libcurl4-openssl-dev
    fonts-dejavu-core qt6-translations-l10n)
# The Windows type-check needs Debian's MinGW-w64 cross compiler besides.
[ "$action" != windows-check ] || packages+=(g++-mingw-w64-x86-64-posix)
# The fault-injection tests stop writers at chosen system calls with strace.
# The device check is tested against Modbus TCP servers of pymodbus, which imports the serial
# modules even for TCP.
if [ "$action" = test ]; then
    packages+=(strace python3-pymodbus python3-serial-asyncio)
fi

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

# --- Windows type-check -------------------------------------------------------------------
# No Windows build has run yet; this keeps the code compiling there. Every source of the
# program is compiled for Windows with the MinGW-w64 cross compiler, syntax and types only,
# against the Qt headers installed here (Qt's headers pick the platform from the compiler).
# Sources that cannot be checked this way:
#   src/platform/HttpGet.cpp  the HTTP client needs libcurl's headers, and Debian has no
#                             Windows libcurl headers
# The tests and benchmarks are not part of the program and are Linux-only (network namespaces,
# posix_spawn).
if [ "$action" = windows-check ]; then
    qt_headers=$(qtpaths6 --query QT_INSTALL_HEADERS)
    flags=(-x c++ -std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -Isrc)
    for module in "" QtCore QtGui QtWidgets QtXml QtNetwork QtSerialBus; do
        flags+=(-isystem "$qt_headers/$module")
    done
    # The definitions a Windows build of Qt and of this project's CMake files set.
    flags+=(-DUNICODE -D_UNICODE -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_XML_LIB
        -DQT_NETWORK_LIB -DQT_SERIALBUS_LIB
        -DQT_NO_CAST_FROM_ASCII -DQT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
    find src -name '*.cpp' ! -path src/platform/HttpGet.cpp -print0 | sort -z |
        xargs -0 -n 1 -P "$(nproc)" x86_64-w64-mingw32-g++-posix "${flags[@]}"
    echo "Windows type-check passed"
    exit 0
fi
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
