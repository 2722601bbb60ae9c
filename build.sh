#!/usr/bin/env bash
# Sets up, builds and lays out the configurator, then starts it or runs the tests.
#   ./build.sh run    start the program
#   ./build.sh test   run every test
# SANITIZE=1 builds into build-sanitize with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-run}
case "$action" in run | test) ;; *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

packages=(cmake g++ make qt6-base-dev qt6-qpa-plugins libqt6svg6 libcurl4-openssl-dev fonts-dejavu-core)
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

build=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${SANITIZE:-0}" = 1 ]; then
    build=build-sanitize
    options=(-DCMAKE_BUILD_TYPE=Debug -DCF_SANITIZE=ON)
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build" --prefix "$build/program" >/dev/null

if [ "$action" = run ]; then
    exec "$build/program/CF20914"
fi
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
