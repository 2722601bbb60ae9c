#!/usr/bin/env bash
# Runs one Windows program of the Windows build under Wine; CTest runs every Windows test
# program through it.
#   dist/windows/wine-run.sh QT_PREFIX WINE_PREFIX PROGRAM [ARGUMENTS...]
# The program finds the DLLs of the Windows Qt in QT_PREFIX and those of MinGW-w64 through
# WINEPATH. Wine does not pass on variables whose names start with QT_; QT_QPA_PLATFORM goes
# over as WINEQT_QPA_PLATFORM, and the offscreen platform gets Debian's DejaVu Sans. A Qt Test
# program (named tst_*) writes its results to a file, which is printed here, since Wine sends
# its console text to the debugger channel. The run ends after CF_WINE_TIMEOUT seconds (600):
# a program without a usable platform hangs rather than fails.
set -uo pipefail
qt=$1 prefix=$2 program=$3
shift 3

windows_path() { echo "Z:${1//\//\\}"; }

mingw_bin=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_bin=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
WINEPATH="$(windows_path "$qt/bin");$(windows_path "$mingw_bin");$(windows_path "$pthread_bin")"
export WINEPATH
[ -z "${QT_QPA_PLATFORM:-}" ] || export WINEQT_QPA_PLATFORM=$QT_QPA_PLATFORM
# The offscreen platform falls back on the first family of its font folder, which in Debian's
# DejaVu folder is a mathematical one: a folder beside the Wine prefix holds DejaVu Sans alone,
# the font Linux's font configuration gives the tests. It is made whole, then moved into place.
fonts=$(dirname "$prefix")/fonts
if [ ! -d "$fonts" ]; then
    staging=$(mktemp -d "$fonts.XXXXXX")
    ln -s /usr/share/fonts/truetype/dejavu/DejaVuSans{,-Bold,-Oblique,-BoldOblique}.ttf "$staging"
    mv -T "$staging" "$fonts" 2>/dev/null || rm -rf "$staging"
fi
export WINEQT_QPA_FONTDIR
WINEQT_QPA_FONTDIR=$(windows_path "$fonts")

arguments=("$@")
results=""
case "$(basename "$program")" in tst_*)
    results=$(mktemp --suffix=.txt)
    arguments+=(-o "$(windows_path "$results"),txt")
    ;;
esac

timeout -k 10 "${CF_WINE_TIMEOUT:-600}" wine "$program" "${arguments[@]}"
code=$?
if [ -n "$results" ]; then
    cat "$results"
    rm -f "$results"
fi
[ "$code" -ne 124 ] || echo "wine-run: $(basename "$program") did not end within ${CF_WINE_TIMEOUT:-600} s" >&2
exit "$code"
