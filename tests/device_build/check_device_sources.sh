#!/bin/sh
# Compiles the program's folders (not the host layer) against mingw-w64's
# Windows headers, with 16-bit wchar_t, to catch what the host's own headers
# would let through: a call outside the documented Win32 API, a wrong
# signature, a missing include. Only the few names of the device's SDK that a
# desktop SDK lacks come from the shim folder; CE's WinMain takes a wide
# command line, so it is renamed for the check.
#   check_device_sources.sh SOURCE_DIR [COMPILER]
set -eu
source_dir=$1
compiler=${2:-x86_64-w64-mingw32-g++}
shim="$source_dir/tests/device_build/shim"

# minizip's, zlib's and libsodium's headers, without the rest of the host's
# /usr/include.
third_party=$(mktemp -d)
trap 'rm -rf "$third_party"' EXIT
mkdir -p "$third_party/minizip"
cp /usr/include/minizip/unzip.h /usr/include/minizip/ioapi.h "$third_party/minizip/"
cp /usr/include/zlib.h "$third_party/"
cp -R /usr/include/sodium.h /usr/include/sodium "$third_party/"
for zconf in /usr/include/zconf.h /usr/include/*/zconf.h; do
    [ -f "$zconf" ] && cp "$zconf" "$third_party/" && break
done

folders="shell detect package install rollback unzip format files worker log"
includes=""
for folder in $folders; do includes="$includes -I$source_dir/$folder"; done
status=0
for file in $(for folder in $folders; do echo "$source_dir/$folder"/*.cpp; done); do
    # shellcheck disable=SC2086
    if ! "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -DUNICODE -D_UNICODE \
        -DMINGW_HAS_SECURE_API=1 -DWinMain=WinMainCE -I"$shim" -include "$shim/ce_only.h" \
        -I"$third_party" $includes "$file"; then
        echo "device build check failed: $file" >&2
        status=1
    fi
done
exit $status
