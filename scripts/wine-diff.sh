#!/bin/sh
# The whole program checked against a second Win32 implementation: the
# program's folders are built for Windows with mingw-w64 (minizip from
# Debian's zlib source, libsodium from its Debian source, zlib from
# libz-mingw-w64-dev), with the device shim of
# tests/device_build/wine, and each scenario runs under Wine and on the host
# build; their logs and file trees are compared.
#   sh scripts/wine-diff.sh [SCENARIO ...]     (default: every scenario)
# Builds in build-wine/; exits non-zero on a difference that
# tests/device_build/wine/known_differences.txt does not explain.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
# Beyond the ordinary build: zlib for Windows, Wine, a virtual display, and
# the tools that unpack Debian's zlib source.
sh scripts/setup.sh libz-mingw-w64-dev wine64 xvfb bzip2 xz-utils
sh scripts/build.sh ruvexa ruvexa-install-only ruvexa-pack >/dev/null

out="$root/build-wine"
mkdir -p "$out/obj" "$out/include/minizip" "$out/apt/lists/partial"

# minizip's reader from Debian's zlib source package and libsodium from its
# own, fetched once through apt with a source list of its own, leaving the
# machine's apt set-up alone.
minizip="$out/zlib/contrib/minizip"
sodium="$out/libsodium/src/libsodium"
if [ ! -f "$minizip/unzip.c" ] || [ ! -d "$sodium" ]; then
    printf 'deb-src http://deb.debian.org/debian bookworm main\n' >"$out/apt/sources.list"
    apt_options="-q -o Dir::Etc::SourceList=$out/apt/sources.list -o Dir::Etc::SourceParts=/dev/null"
    apt_options="$apt_options -o Dir::State::Lists=$out/apt/lists"
    # shellcheck disable=SC2086
    apt-get $apt_options update >/dev/null
    for source in zlib libsodium; do
        # shellcheck disable=SC2086
        (cd "$out/apt" && apt-get $apt_options source --download-only $source >/dev/null 2>&1)
        rm -rf "${out:?}/$source" && mkdir -p "$out/$source"
        tar -xf "$out/apt/${source}"_*.orig.tar.* -C "$out/$source" --strip-components=1
    done
fi
cp "$minizip/unzip.h" "$minizip/ioapi.h" "$out/include/minizip/"
# libsodium's headers from the host (the same release, its version.h
# included, which the source leaves to its configure step); the library
# compiled for Windows from its portable C, once, so that a keyed device
# checks signatures under Wine as on the device.
cp -R /usr/include/sodium.h /usr/include/sodium "$out/include/"
if [ ! -f "$out/obj/libsodium.a" ]; then
    mkdir -p "$out/obj/sodium"
    find "$sodium" -name '*.c' | while read -r file; do
        echo "$file $out/obj/sodium/$(echo "${file#"$sodium"/}" | tr / _ | sed 's/\.c$/.o/')"
    done | xargs -n 2 -P "$(nproc)" sh -c "x86_64-w64-mingw32-gcc -O1 -w -DSODIUM_STATIC -DNATIVE_LITTLE_ENDIAN \
        -I$sodium/include -I$sodium/include/sodium -I$out/include -I$out/include/sodium -c \"\$0\" -o \"\$1\""
    x86_64-w64-mingw32-ar rcs "$out/obj/libsodium.a" "$out"/obj/sodium/*.o
fi

cc=x86_64-w64-mingw32-gcc
cxx=x86_64-w64-mingw32-g++
shim="$root/tests/device_build/wine"
flags="-std=c++20 -O1 -DUNICODE -D_UNICODE -DMINGW_HAS_SECURE_API=1 -DWinMain=WinMainCE -DSODIUM_STATIC"
flags="$flags -I$root/tests/device_build/shim -include $shim/device_shim.h -I$out/include"
# The program's folders, compiled as they are for the device.
folders="shell detect package install rollback unzip format files worker log"
for folder in $folders; do flags="$flags -I$root/$folder"; done
# One object per source, rebuilt when the source, a header of the program or
# the shim is newer. An object whose source has gone (moved or deleted) is
# removed, so that it cannot be linked.
mkdir -p "$out/obj/program"
sources=$(for folder in $folders; do ls "$folder"/*.cpp; done)
objects=$(echo "$sources" | tr / _ | sed 's/\.cpp$/.o/')
for object in "$out"/obj/program/*.o; do
    [ -f "$object" ] || continue
    echo "$objects" | grep -qx "$(basename "$object")" || rm -f "$object"
done
newest_header=$(ls -t $(for folder in $folders; do echo "$folder"/*.h; done) "$shim/device_shim.h" | head -n 1)
echo "$sources" | while read -r file; do
    object="$out/obj/program/$(echo "$file" | tr / _ | sed 's/\.cpp$/.o/')"
    if [ ! -f "$object" ] || [ "$file" -nt "$object" ] || [ "$newest_header" -nt "$object" ]; then
        echo "$file $object"
    fi
done | xargs -r -n 2 -P "$(nproc)" sh -c "$cxx $flags -w -c \"\$0\" -o \"\$1\""
for part in unzip ioapi; do
    [ -f "$out/obj/minizip_$part.o" ] || $cc -O1 -w -c -DNOUNCRYPT -I"$minizip" "$minizip/$part.c" -o "$out/obj/minizip_$part.o"
done
# The stand-in for libsodium that earlier builds linked must not be linked.
rm -f "$out/obj/sodium_absent.o"
$cxx -std=c++20 -O1 -DUNICODE -D_UNICODE -I"$root/tests/device_build/shim" -c "$shim/device_shim.cpp" \
    -o "$out/obj/device_shim.o"
(cd shell && x86_64-w64-mingw32-windres -DUNICODE -I. ruvexa.rc -O coff -o "$out/obj/ruvexa_rc.res.o")
$cxx -municode -mwindows -static -o "$out/ruvexa.exe" "$out"/obj/program/*.o "$out"/obj/*.o "$out/obj/libsodium.a" -lz
# The installation worker on its own: the program without its WinMain.
# shellcheck disable=SC2086
$cxx $flags -c "$shim/install_only.cpp" -o "$out/install_only.o"
$cxx -municode -mwindows -static -o "$out/install-only.exe" $(ls "$out"/obj/program/*.o "$out"/obj/*.o | grep -v '/shell_win_main\.o$') \
    "$out/install_only.o" "$out/obj/libsodium.a" -lz
$cxx -municode -mwindows -static -O1 -o "$out/marker.exe" "$shim/marker_app.cpp"

# A Wine prefix of its own, made once, and a display for the program's window.
# A zone with summer time, so that time conversions are compared where
# the bias of a date and the bias in force now can differ.
export TZ="${TZ:-CET-1CEST,M3.5.0,M10.5.0/3}"
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -d "$WINEPREFIX/drive_c" ] || "$wine" wineboot -i >/dev/null 2>&1
display=:$((90 + $$ % 900))
Xvfb "$display" -screen 0 640x480x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
sleep 1
status=0
DISPLAY=$display python3 -u "$shim/wine_scenarios.py" --host-ruvexa "$root/build/ruvexa" \
    --wine-ruvexa "$out/ruvexa.exe" --host-installer "$root/build/ruvexa-install-only" \
    --wine-installer "$out/install-only.exe" --marker "$out/marker.exe" --prefix "$WINEPREFIX" --work "$out/work" \
    --pack "$root/build/ruvexa-pack" --known "$shim/known_differences.txt" --wine "$wine" "$@" || status=$?
exit $status
