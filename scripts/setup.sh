#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing,
# and the packages named as arguments (the fuzzing and Wine scripts name
# what only they need). Safe to run again: it does nothing when everything
# is present. scdoc writes the manual pages, dpkg-dev (dpkg-shlibdeps) gives
# the Debian packages their dependencies.
set -eu

PACKAGES="cmake make g++ pkg-config zlib1g-dev libminizip-dev libfreetype-dev
libfontconfig-dev fontconfig fonts-dejavu-core libpng-dev libsdl2-dev
libgtest-dev libbenchmark-dev libsodium-dev libdivsufsort-dev libcli11-dev nlohmann-json3-dev zip unzip python3 libarchive-tools p7zip-full
g++-mingw-w64-x86-64-win32 scdoc dpkg-dev $*"

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "setup: installing$missing" >&2
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "setup: these packages are missing and I am not root:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
