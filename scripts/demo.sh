#!/bin/sh
# The main job: installs what is missing, builds everything, then makes an
# upgrade package with ruvexa-pack from a sample executable, an images folder
# and a fonts folder, inspects it, verifies it, unpacks it, and shows that a
# damaged copy is refused with its failure code.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/ruvexa-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
pack=build/ruvexa-pack

mkdir -p "$work/images/icons" "$work/fonts"
printf '#!/bin/sh\necho "main application started"\n' > "$work/Orvane3.exe"
head -c 200000 /dev/urandom > "$work/images/background.bmp"
printf 'icon' > "$work/images/icons/usb.bmp"
head -c 50000 /dev/urandom > "$work/fonts/Sans.ttf"

step() { printf '\n== %s\n' "$*"; }

step "ruvexa-pack build"
$pack build --exe "$work/Orvane3.exe" --images "$work/images" --fonts "$work/fonts" \
    -o "$work/OV3_UPGRADE_6.01.BIN"

step "ruvexa-pack inspect"
$pack inspect "$work/OV3_UPGRADE_6.01.BIN"

step "ruvexa-pack verify"
$pack verify "$work/OV3_UPGRADE_6.01.BIN"

step "ruvexa-pack unpack"
$pack unpack "$work/OV3_UPGRADE_6.01.BIN" "$work/unpacked"
ls -l "$work/unpacked"
unzip -l "$work/unpacked/AppImages.zi"

step "a damaged copy: one byte of the images section flipped"
cp "$work/OV3_UPGRADE_6.01.BIN" "$work/OV3_UPGRADE_BAD.BIN"
printf '\377' | dd of="$work/OV3_UPGRADE_BAD.BIN" bs=1 seek=100 conv=notrunc 2>/dev/null
if $pack verify "$work/OV3_UPGRADE_BAD.BIN"; then
    echo "demo: the damaged package was accepted" >&2
    exit 1
fi
echo "(refused, as it should be)"
