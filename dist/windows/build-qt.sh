#!/usr/bin/env bash
# Makes the Windows Qt the Windows build links against, once per machine: qtbase, Qt SVG and
# Qt Serial Bus, cross-built with the MinGW-w64 compilers and installed under the cache folder
# (CF20914_CACHE, or ~/.cache/cf20914). The folder's name is a key made of the Qt version, the
# options, the patch and the toolchain; a changed key makes a new folder.
#   dist/windows/build-qt.sh          make what is missing, print the Qt folder on the last line
#   dist/windows/build-qt.sh --prefix print the Qt folder the current key names, make nothing
# The shared folder beside the repository (../shared, or CF20914_SHARED) spares the build:
#   windows-qt/qt-<version>-mingw-<key>.tar.xz  the whole folder of this key, made on another
#       machine; unpacked when its checksum in windows-qt/SHA256SUMS matches, and the paths of
#       that machine's cache in its text files rewritten to this one's
#   qt-sources/<module>-everywhere-src-<version>.tar.xz  a module's source, taken when Debian's
#       archive does not serve its source package; checked against qt-sources/SHA256SUMS, a
#       mismatch stops the build
# Qt SVG and Qt Serial Bus are built after qtbase; when one of them fails, qtbase stays usable
# and the module is tried again on the next run. JOBS (2) sets the parallel compile jobs; every
# compile runs at the lowest CPU priority.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CF20914_CACHE:-$HOME/.cache/cf20914}
shared=${CF20914_SHARED:-$(cd "$here/../.." && pwd)/../shared}
# The cache folder of the machine that made the shared archives.
archive_cache=/root/.cache/cf20914
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
fail() {
    step "$*"
    exit 1
}

# True when FILE's checksum is the one the SHA256SUMS beside it gives for its name.
checksum_matches() {
    local file=$1
    local sums
    sums=$(dirname "$file")/SHA256SUMS
    [ -f "$sums" ] || return 1
    local expected
    expected=$(awk -v name="$(basename "$file")" '$2 == name || $2 == "*" name { print $1 }' "$sums")
    [ -n "$expected" ] && [ "$(sha256sum <"$file" | cut -d' ' -f1)" = "$expected" ]
}

# The shared archive of this key unpacked as $prefix; false when there is none or its checksum
# does not match.
unpack_shared_qt() {
    local archive
    archive=$shared/windows-qt/$(basename "$prefix").tar.xz
    [ -f "$archive" ] || return 1
    if ! checksum_matches "$archive"; then
        step "$archive does not match its checksum in $(dirname "$archive")/SHA256SUMS: not used"
        return 1
    fi
    local started=$SECONDS
    step "unpacking the Windows Qt of key $key from $archive"
    mkdir -p "$cache"
    local staging
    staging=$(mktemp -d "$cache/.unpack-XXXXXX")
    tar -xJf "$archive" -C "$staging" || {
        rm -rf "$staging"
        fail "could not unpack $archive"
    }
    local folder
    folder=$staging/$(basename "$prefix")
    [ -e "$folder/.built-qtbase" ] || {
        rm -rf "$staging"
        fail "$archive holds no $(basename "$prefix")/ with qtbase in it"
    }
    if [ "$cache" != "$archive_cache" ]; then
        grep -rlIZF "$archive_cache/" "$folder" | xargs -0 -r sed -i "s|$archive_cache/|$cache/|g"
    fi
    rm -rf "$prefix"
    mv "$folder" "$prefix"
    rm -rf "$staging"
    step "unpacked into $prefix in $((SECONDS - started)) s"
}

# The source of one Qt module (Debian package PACKAGE, Qt module MODULE) unpacked under
# $cache/src: Debian's source package when the archive serves it, otherwise the shared
# tarball; prints the folder. Returns 1 when there is neither, 2 when the shared tarball does
# not match its checksum.
fetch_source() {
    local package=$1 module=$2
    local dir=$cache/src
    mkdir -p "$dir"
    local tarball
    tarball=$(ls "$dir/$package"_*.orig.tar.xz 2>/dev/null | head -1) || true
    if [ -z "$tarball" ]; then
        step "fetching the source of $package"
        if ! apt-cache showsrc "$package" 2>/dev/null | grep -q '^Package:'; then
            add_source_entries
        fi
        if (cd "$dir" && apt-get source --download-only "$package") >&2; then
            tarball=$(ls "$dir/$package"_*.orig.tar.xz | head -1)
        else
            tarball=$shared/qt-sources/$module-everywhere-src-$upstream.tar.xz
            [ -f "$tarball" ] || return 1
            step "Debian's archive does not serve $package (above: why); taking $tarball"
            checksum_matches "$tarball" || {
                step "$tarball does not match its checksum in $(dirname "$tarball")/SHA256SUMS"
                return 2
            }
        fi
    fi
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

if [ ! -e "$prefix/.built-qtbase" ] && ! unpack_shared_qt; then
    step "no shared Windows Qt of key $key in $shared/windows-qt: it is built here"
fi
mkdir -p "$prefix"
if [ ! -e "$prefix/.built-qtbase" ]; then
    step "building qtbase $version for Windows once; the folder's key is $key"
    source=$(fetch_source qt6-base qtbase) || fail "no source for qtbase (above: why)"
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
    fetched=0
    source=$(fetch_source "$package" "$name") || fetched=$?
    case $fetched in
    1)
        step "$name: neither Debian's archive nor $shared/qt-sources has its source; the Windows Qt goes without $name"
        continue
        ;;
    2) fail "$name: stopped, its source is not the one the checksum names" ;;
    esac
    build_module "$name" "$source" "${module_options[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ||
        step "$name: the build failed; the Windows Qt goes without it (tried again next run)"
done
rm -rf "$cache/build-$key"
echo "$prefix"
