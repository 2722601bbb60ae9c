#!/usr/bin/env bash
# The Windows build, and its checks under Wine; ./build.sh windows|windows-test runs it.
#   windows       the Windows Qt (once), CF20914.exe, cf20914-cli.exe and the test programs in
#                 build-windows; the program folder build-windows/program, packed as
#                 build-windows/CF20914-windows-x64.zip and as the installer
#                 build-windows/CF20914-setup-x64.exe
#   windows-test  the same, then every Windows test program under Wine on the offscreen
#                 platform, and the packed program in a fresh Wine prefix: it creates a
#                 configuration and updates a stand-in device on 127.0.0.1 through a stand-in
#                 Ethernet_Update.exe, and shows its main window on a virtual display (the
#                 picture goes to build-windows/windows-main-window.png)
# Every Wine step runs under timeout: a program without a usable platform hangs, not fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
action=$1
build=build-windows
program=$build/program
zip_name=CF20914-windows-x64.zip
setup_name=CF20914-setup-x64.exe

step() { echo "[windows] $*"; }

qt=$(dist/windows/build-qt.sh | tail -n 1)
# The program needs all three: Qt SVG draws its pictures, Qt Serial Bus speaks Modbus.
for module in qtbase qtsvg qtserialbus; do
    [ -e "$qt/.built-$module" ] || {
        echo "the Windows Qt in $qt lacks $module (dist/windows/build-qt.sh said why)" >&2
        exit 1
    }
done

step "building into $build against the Windows Qt in $qt"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCF_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/dist/windows/wine-run.sh;$qt;$PWD/$build/wine" \
    >/dev/null
cmake --build "$build" --parallel "${JOBS:-$(nproc)}"

# --- The program folder -------------------------------------------------------------------
step "laying out $program"
rm -rf "$program"
cmake --install "$build" --prefix "$program" >/dev/null
mkdir -p "$program/MASTER" "$program/PROJECTS"
# The plugins the program loads: the platform, the native style, and SVG pictures and icons.
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qsvg.dll \
    iconengines/qsvgicon.dll; do
    mkdir -p "$program/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin" "$program/$plugin"
done
# Every DLL that the programs, the Modbus module and the plugins import, found in the Windows Qt
# or in MinGW-w64, and the DLLs those import in turn; system DLLs are found nowhere here and
# stay out.
mingw_bin=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_bin=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
queue=("$program"/*.exe "$program"/*.dll "$program"/*/*.dll)
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
# Every DLL imported is shipped or part of Windows.
dist/windows/check-imports.sh "$program"

# The program's logo as a Windows icon, for the Start menu entry: an icon file may hold a PNG
# as it is (Windows Vista and later).
le32() { printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)) \
    $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
{
    printf '\0\0\1\0\1\0\0\0\0\0\1\0\40\0' # one 256x256 picture, 32 bits a pixel
    le32 "$(stat -c %s dist/CF20914.png)"
    le32 22
    cat dist/CF20914.png
} >"$program/CF20914.ico"

rm -f "$build/$zip_name" "$build/CF20914"
ln -s program "$build/CF20914"
(cd "$build" && zip -qr "$zip_name" CF20914)
rm "$build/CF20914"
step "$build/$zip_name: $(du -h "$build/$zip_name" | cut -f1), $(find "$program" -type f | wc -l) files"

# The installer; its uninstaller removes the files listed here, and then the folders they leave
# empty, deepest first.
windows_name() { echo "${1//\//\\}"; }
(
    cd "$program"
    find . -type f -printf '%P\n' | sort | while IFS= read -r file; do
        echo "Delete \"\$INSTDIR\\$(windows_name "$file")\""
    done
    find . -mindepth 1 -type d ! -name PROJECTS ! -name MASTER -printf '%d %P\n' | sort -rn |
        while read -r _ dir; do echo "RMDir \"\$INSTDIR\\$(windows_name "$dir")\""; done
) >"$build/uninstall-files.nsh"
version=$(sed -n 's/^project(CF20914 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
makensis -V2 -DVERSION="$version" -DPROGRAM="$PWD/$program" -DFILES="$PWD/$build/uninstall-files.nsh" \
    -DOUTFILE="$PWD/$build/$setup_name" dist/windows/installer.nsi
step "$build/$setup_name: $(du -h "$build/$setup_name" | cut -f1), version $version"

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

# The import check itself: a program folder without Qt Network, which Qt Serial Bus and the
# Modbus module import, must not pass.
work=$(mktemp -d)
modbus_server=""
trap '[ -z "$modbus_server" ] || kill "$modbus_server" 2>/dev/null
for prefix in "$work"/wine*; do WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; done
rm -rf "$work"' EXIT
cp -r "$program" "$work/without-network"
rm "$work/without-network/Qt6Network.dll"
if dist/windows/check-imports.sh "$work/without-network" 2>"$work/check-imports.txt" ||
    ! grep -q 'cf20914_modbus.dll imports Qt6Network.dll' "$work/check-imports.txt"; then
    echo "check-imports.sh let a program folder without Qt6Network.dll pass" >&2
    exit 1
fi
step "check-imports.sh refuses a program folder without Qt6Network.dll"
rm -rf "$work/without-network"

# The zip unpacked into a fresh Wine prefix, as a user on Windows would have it.
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
    # The Windows updater is given its files as Windows names them, from either tool: on drive
    # Z: (Wine's view of Linux's files) or, installed, on C:.
    grep -q '<Ope_FileName>[CZ]:\\' "$folder/updater_record.txt"
    grep -q '^ended$' "$folder/updater_record.txt"
    step "the stand-in updater ran and recorded its job:"
    cat "$folder/updater_record.txt"
}

# A Modbus TCP server of pymodbus on a loopback port (Linux's Python, as in the tests): the
# Windows tool in FOLDER checks it and names a port that refuses.
modbus_check() {
    local folder=$1
    local log=$work/modbus-server.txt
    /usr/bin/python3 tests/support/modbus_server.py --vendor Velmor --product GW20914 \
        --revision 1.2 127.0.0.1 >"$log" 2>&1 &
    modbus_server=$!
    for _ in $(seq 300); do
        grep -q '^listening' "$log" && break
        sleep 0.1
    done
    local port
    port=$(sed -n 's/^ports //p' "$log")
    [ -n "$port" ] || {
        cat "$log" >&2
        exit 1
    }
    local answer
    answer=$(cd "$folder" && timeout 120 wine cf20914-cli.exe check --ip 127.0.0.1 --port "$port")
    echo "$answer"
    [[ "$answer" == "127.0.0.1:$port answers: vendor Velmor, product GW20914, revision 1.2, "* ]]
    kill "$modbus_server"
    wait "$modbus_server" || true
    modbus_server=""
    # The server's port, closed now, refuses.
    local code=0
    answer=$(cd "$folder" && timeout 120 wine cf20914-cli.exe check --ip 127.0.0.1 --port "$port") ||
        code=$?
    echo "$answer (exit code $code)"
    [ "$code" -eq 6 ] && [[ "$answer" == "127.0.0.1:$port refuses the connection"* ]]
}

# CF20914.exe in FOLDER on a virtual X display until its main window shows; the picture goes to
# PICTURE.
show_main_window() {
    # A program started while the Wine server of the last one is still shutting down can wait
    # for it forever: the server goes first.
    timeout 60 wineserver --wait
    timeout 420 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        cd "$1"
        wine CF20914.exe &
        wine_pid=$!
        # The window is up when the X server lists a window of the program. The first start in
        # a new home folder also builds the font caches, which on a busy machine takes minutes.
        while [ "$SECONDS" -lt 360 ]; do
            xwininfo -root -tree | grep -q "Configurator CF20914" && break
            kill -0 "$wine_pid" 2>/dev/null || {
                echo "CF20914.exe ended without showing its main window" >&2
                exit 1
            }
            sleep 0.1
        done
        xwininfo -root -tree | grep -q "Configurator CF20914" || {
            echo "the main window did not show within 360 s" >&2
            exit 1
        }
        # Give the first paint a moment after mapping before taking the picture.
        sleep 3
        import -window root "$2"
        WINEPREFIX="$3" wineserver -k
        wait "$wine_pid" || true
    ' _ "$1" "$2" "$WINEPREFIX"
}

step "cf20914-cli.exe creates a configuration and updates a stand-in device on 127.0.0.1"
folder_option=()
(cd "$app" && update_smoke "$app" wine cf20914-cli.exe)
step "cf20914-cli.exe checks a Modbus TCP server on 127.0.0.1"
modbus_check "$app"
step "CF20914.exe shows its main window"
show_main_window "$app" "$PWD/$build/windows-main-window.png"
step "the main window: $build/windows-main-window.png"

# --- The installer, in another fresh Wine prefix -----------------------------------------
step "$setup_name installs silently"
export WINEPREFIX=$work/wine-setup
new_prefix "$WINEPREFIX"
timeout 300 wine "$build/$setup_name" /S
timeout 120 wineserver --wait
user_dir=$WINEPREFIX/drive_c/users/$(id -un)
installed=$user_dir/AppData/Local/Programs/CF20914
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/CF20914.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\CF20914'
for file in CF20914.exe cf20914-cli.exe cf20914_modbus.dll Uninstall.exe; do
    [ -f "$installed/$file" ] || {
        echo "the installer put no $file into $installed" >&2
        exit 1
    }
done
[ -f "$shortcut" ] || {
    echo "the installer made no Start menu entry $shortcut" >&2
    exit 1
}
timeout 60 wine reg query "$uninstall_key" /v DisplayVersion | tr -d '\r' | grep -q "REG_SZ\s*$version$" || {
    echo "no entry with the version $version under $uninstall_key" >&2
    exit 1
}

step "the installed cf20914-cli.exe updates a stand-in device and checks a Modbus TCP server"
(cd "$installed" && update_smoke "$installed" wine cf20914-cli.exe)
modbus_check "$installed"
step "the installed CF20914.exe shows its main window"
show_main_window "$installed" "$PWD/$build/windows-installed-window.png"
# The settings the program keeps beside itself, as a stand-in.
echo "<settings/>" >"$installed/Roziduduve.xml"

step "the uninstaller removes the program and keeps the configurations, the firmware and the settings"
timeout 120 wine "$installed/Uninstall.exe" /S
timeout 120 wineserver --wait
for file in CF20914.exe cf20914-cli.exe cf20914_modbus.dll Qt6Core.dll platforms Uninstall.exe; do
    [ ! -e "$installed/$file" ] || {
        echo "the uninstaller left $installed/$file" >&2
        exit 1
    }
done
[ ! -e "$shortcut" ] || {
    echo "the uninstaller left the Start menu entry" >&2
    exit 1
}
! timeout 60 wine reg query "$uninstall_key" >/dev/null 2>&1 || {
    echo "the uninstaller left $uninstall_key" >&2
    exit 1
}
for file in PROJECTS/Smoke/ParGen.xml MASTER/sim20914.sim Roziduduve.xml; do
    [ -f "$installed/$file" ] || {
        echo "the uninstaller removed $file" >&2
        exit 1
    }
done
step "left after uninstalling: $(cd "$installed" && find . -type f | sort | tr '\n' ' ')"

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
