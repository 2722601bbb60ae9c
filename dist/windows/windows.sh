#!/usr/bin/env bash
# The Windows build, and its checks under Wine; ./build.sh windows|windows-test runs it.
#   windows       the Windows Qt (once), CF20914.exe, cf20914-cli.exe and the test programs in
#                 build-windows; the program folder build-windows/program, packed as
#                 build-windows/CF20914-windows-x64.zip
#   windows-test  the same, then every Windows test program under Wine on the offscreen
#                 platform, and the packed program in a fresh Wine prefix: it creates a
#                 configuration and updates a stand-in device on 127.0.0.1 through a stand-in
#                 Ethernet_Update.exe, and shows its main window on a virtual display (the
#                 picture goes to docs/windows-main-window.png)
# Every Wine step runs under timeout: a program without a usable platform hangs, not fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
action=$1
build=build-windows
program=$build/program
zip_name=CF20914-windows-x64.zip

step() { echo "[windows] $*"; }

qt=$(dist/windows/build-qt.sh | tail -n 1)
[ -e "$qt/.built-qtbase" ] || {
    echo "no Windows Qt in $qt" >&2
    exit 1
}

step "building into $build against the Windows Qt in $qt"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/dist/windows/wine-run.sh;$qt;$PWD/$build/wine" \
    >/dev/null
cmake --build "$build" --parallel "${JOBS:-$(nproc)}"

# --- The program folder -------------------------------------------------------------------
step "laying out $program"
rm -rf "$program"
cmake --install "$build" --prefix "$program" >/dev/null
mkdir -p "$program/MASTER" "$program/PROJECTS"
# The plugins the program loads: the platform, the native style, and SVG pictures and icons
# when the Windows Qt has Qt SVG.
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qsvg.dll \
    iconengines/qsvgicon.dll; do
    if [ -e "$qt/plugins/$plugin" ]; then
        mkdir -p "$program/$(dirname "$plugin")"
        cp "$qt/plugins/$plugin" "$program/$plugin"
    fi
done
# Every DLL that the programs and plugins import, found in the Windows Qt or in MinGW-w64, and
# the DLLs those import in turn; system DLLs are found nowhere here and stay out.
mingw_bin=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_bin=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
queue=("$program"/*.exe "$program"/*/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$program/$dll" ] && continue
        for dir in "$qt/bin" "$mingw_bin" "$pthread_bin"; do
            if [ -e "$dir/$dll" ]; then
                cp "$dir/$dll" "$program/$dll"
                queue+=("$program/$dll")
                break
            fi
        done
    done
done
x86_64-w64-mingw32-strip --strip-unneeded "$program"/*.exe "$program"/*.dll "$program"/*/*.dll

rm -f "$build/$zip_name" "$build/CF20914"
ln -s program "$build/CF20914"
(cd "$build" && zip -qr "$zip_name" CF20914)
rm "$build/CF20914"
step "$build/$zip_name: $(du -h "$build/$zip_name" | cut -f1), $(find "$program" -type f | wc -l) files"

[ "$action" = windows-test ] || exit 0

# --- Under Wine ---------------------------------------------------------------------------
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
new_prefix() {
    step "making the Wine prefix $1"
    WINEPREFIX=$1 timeout 300 wineboot --init
    WINEPREFIX=$1 timeout 60 wineserver --wait
}
[ -d "$build/wine" ] || new_prefix "$PWD/$build/wine"

step "the Windows tests under Wine"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600

# The zip unpacked into a fresh Wine prefix, as a user on Windows would have it.
work=$(mktemp -d)
trap 'WINEPREFIX="$work/wine" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/wine
new_prefix "$WINEPREFIX"
unzip -q "$build/$zip_name" -d "$work"
app=$work/CF20914

# A configuration Smoke with its communication settings saved and a stand-in firmware, sent to
# 127.0.0.1 through the Windows stand-in updater: update_smoke FOLDER TOOL...; the words in
# folder_option follow each of the tool's commands.
stand_in_updater=$PWD/$build/tests/update/stand_in_updater.exe
update_smoke() {
    local folder=$1
    shift
    cp "$stand_in_updater" "$folder/Ethernet_Update.exe"
    mkdir -p "$folder/MASTER"
    echo "stand-in firmware" >"$folder/MASTER/sim20914.sim"
    timeout 120 "$@" new Smoke "${folder_option[@]}"
    timeout 120 "$@" set Smoke Modbus_TCP_Slave_Port=502 "${folder_option[@]}"
    timeout 200 "$@" update Smoke --ip 127.0.0.1 --wait 60 "${folder_option[@]}"
    [ -f "$folder/PROJECTS/Smoke/bin/bank.bin" ]
    grep -q '^job=.*Smoke' "$folder/updater_record.txt"
    # The Windows updater is given its files as Windows names them, from either tool.
    grep -q '<Ope_FileName>Z:\\' "$folder/updater_record.txt"
    grep -q '^ended$' "$folder/updater_record.txt"
    step "the stand-in updater ran and recorded its job:"
    cat "$folder/updater_record.txt"
}

step "cf20914-cli.exe creates a configuration and updates a stand-in device on 127.0.0.1"
folder_option=()
(cd "$app" && update_smoke "$app" wine cf20914-cli.exe)

step "CF20914.exe shows its main window"
# A program started while the Wine server of the last one is still shutting down can wait
# for it forever: the server goes first.
timeout 60 wineserver --wait
picture=docs/windows-main-window.png
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    cd "$1"
    wine CF20914.exe &
    wine_pid=$!
    # The window is up when the X server lists a window of the program.
    for _ in $(seq 1200); do
        xwininfo -root -tree | grep -q "Configurator CF20914" && break
        kill -0 "$wine_pid" 2>/dev/null || {
            echo "CF20914.exe ended without showing its main window" >&2
            exit 1
        }
        sleep 0.1
    done
    xwininfo -root -tree | grep -q "Configurator CF20914" || {
        echo "the main window did not show within 120 s" >&2
        exit 1
    }
    # Give the first paint a moment after mapping before taking the picture.
    sleep 3
    import -window root "$2"
    WINEPREFIX="$3" wineserver -k
    wait "$wine_pid" || true
' _ "$app" "$PWD/$picture" "$WINEPREFIX"
step "the main window: $picture"

# The Linux tool runs the same Windows updater through Wine, when the Linux build is there.
linux_cli=build/program/cf20914-cli
if [ -x "$linux_cli" ]; then
    step "the Linux tool runs the Windows stand-in updater through Wine"
    linux_app=$work/linux
    mkdir -p "$linux_app"
    folder_option=(--program-dir "$linux_app")
    update_smoke "$linux_app" "$linux_cli"
else
    step "no Linux build ($linux_cli): the Linux tool's run of the Windows updater is left out"
fi
step "all Windows checks passed"
