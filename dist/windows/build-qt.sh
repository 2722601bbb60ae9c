#!/usr/bin/env bash
# Makes the Windows Qt the Windows build links against, once per machine: qtbase, Qt SVG and
# Qt Serial Bus from Debian's source packages, cross-built with the MinGW-w64 compilers and
# installed under ~/.cache/cf20914/. The folder's name is a key made of the Qt version, the
# options, the patch and the toolchain; a changed key builds a new folder.
#   dist/windows/build-qt.sh          build what is missing, print the Qt folder on the last line
#   dist/windows/build-qt.sh --prefix print the Qt folder the current key names, build nothing
# Qt SVG and Qt Serial Bus are built after qtbase; when one of them fails, qtbase stays usable
# and the module is tried again on the next run. The Debian archive this project's machines use
# answers "404 Not Found" for the source tarballs of both (qt6-base's is served): there the
# Windows Qt is qtbase alone, the build draws the pictures into PNGs and the program goes
# without its Modbus module. JOBS (2) sets the parallel compile jobs; every compile runs at the
# lowest CPU priority.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CF20914_CACHE:-$HOME/.cache/cf20914}
jobs=${JOBS:-2}

# The host tools (moc, rcc, uic) come from Debian's Qt; the Windows Qt must be the same version.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
upstream=${version%%+*}
upstream=${upstream%%-*}

qtbase_options=(
    -G Ninja -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_QPA_DEFAULT_PLATFORM=windows
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DFEATURE_pkg_config=OFF
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_xml=ON -DFEATURE_testlib=ON -DFEATURE_network=ON
    # Off: what the program does not use, and TLS (the device speaks plain HTTP).
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_icu=OFF
    -DFEATURE_zstd=OFF -DFEATURE_glib=OFF -DFEATURE_jpeg=OFF -DFEATURE_openssl=OFF
    -DFEATURE_schannel=OFF -DFEATURE_brotli=OFF -DFEATURE_libproxy=OFF -DFEATURE_gssapi=OFF
    # Debian's source leaves out the tablet library.
    -DFEATURE_tabletevent=OFF
    # The bundled libraries, linked in statically.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_md4c=OFF
)
module_options=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF)
patch=$here/qtbase-opengl-off.patch
toolchain=$here/mingw-w64.cmake

key=$({
    echo "$version"
    printf '%s\n' "${qtbase_options[@]}" "${module_options[@]}"
    cat "$patch" "$toolchain"
} | sha256sum | cut -c1-12)
prefix=$cache/qt-$upstream-mingw-$key

if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi

step() { echo "[windows qt] $*" >&2; }

# Debian's source package for one Qt module, unpacked under $cache/src; prints the folder.
fetch_source() {
    local package=$1
    local dir=$cache/src
    mkdir -p "$dir"
    if ! ls "$dir/$package"_*.orig.tar.xz >/dev/null 2>&1; then
        step "fetching the source of $package"
        if ! apt-cache showsrc "$package" 2>/dev/null | grep -q '^Package:'; then
            add_source_entries
        fi
        (cd "$dir" && apt-get source --download-only "$package") >&2 || return 1
    fi
    local tarball
    tarball=$(ls "$dir/$package"_*.orig.tar.xz | head -1)
    local top
    top=$(tar tf "$tarball" | head -1 | cut -d/ -f1)
    if [ ! -d "$dir/$top" ]; then
        step "unpacking $(basename "$tarball")"
        tar xf "$tarball" -C "$dir"
    fi
    echo "$dir/$top"
}

# A deb-src entry beside each deb entry apt already uses.
add_source_entries() {
    local list=/etc/apt/sources.list.d/debian.sources
    local sources=/etc/apt/sources.list.d/cf20914-deb-src.sources
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    step "adding deb-src entries for Debian's source packages ($sources)"
    if [ -f "$list" ]; then
        sed 's/^Types: deb$/Types: deb-src/' "$list" | $sudo tee "$sources" >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/cf20914-deb-src.list >/dev/null
    fi
    $sudo apt-get update >&2
}

# Configures, builds and installs one module; the stamp file marks it done.
build_module() {
    local name=$1 source=$2
    shift 2
    local build=$cache/build-$key/$name
    local started=$SECONDS
    rm -rf "$build"
    mkdir -p "$build"
    step "$name: configuring (log: $build/configure.log)"
    nice -n 19 cmake -S "$source" -B "$build" -DCMAKE_INSTALL_PREFIX="$prefix" "$@" \
        >"$build/configure.log" 2>&1 || {
        tail -30 "$build/configure.log" >&2
        return 1
    }
    step "$name: building with $jobs jobs (log: $build/build.log)"
    # Progress: ninja's [done/total] line every minute.
    nice -n 19 ninja -C "$build" -j "$jobs" >"$build/build.log" 2>&1 &
    local ninja=$!
    while kill -0 "$ninja" 2>/dev/null; do
        for _ in $(seq 60); do
            kill -0 "$ninja" 2>/dev/null || break
            sleep 1
        done
        step "$name: $(grep -o '^\[[0-9]*/[0-9]*\]' "$build/build.log" | tail -1) after $(((SECONDS - started) / 60)) min"
    done
    wait "$ninja" || {
        tail -40 "$build/build.log" >&2
        return 1
    }
    nice -n 19 cmake --install "$build" >"$build/install.log" 2>&1
    echo "$name $((SECONDS - started)) s" >>"$prefix/build-times.txt"
    touch "$prefix/.built-$name"
    rm -rf "$build"
    step "$name: installed into $prefix in $(((SECONDS - started) / 60)) min"
}

mkdir -p "$prefix"
if [ ! -e "$prefix/.built-qtbase" ]; then
    step "building qtbase $version for Windows once; the folder's key is $key"
    source=$(fetch_source qt6-base)
    if ! patch -p1 -N --dry-run -R -d "$source" <"$patch" >/dev/null 2>&1; then
        patch -p1 -N -d "$source" <"$patch" >&2
    fi
    # The later modules and the project build with the toolchain kept beside the Qt it made.
    cp "$toolchain" "$prefix/mingw-w64.cmake"
    build_module qtbase "$source" "${qtbase_options[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake"
fi
for package in qt6-svg qt6-serialbus; do
    name=${package#qt6-}
    name=qt$name
    [ -e "$prefix/.built-$name" ] && continue
    if ! source=$(fetch_source "$package"); then
        step "$name: apt-get could not fetch the source package $package (above: why); the Windows Qt goes without $name"
        continue
    fi
    build_module "$name" "$source" "${module_options[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ||
        step "$name: the build failed; the Windows Qt goes without it (tried again next run)"
done
rm -rf "$cache/build-$key"
echo "$prefix"
