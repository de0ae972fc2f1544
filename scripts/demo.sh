#!/bin/sh
# The main job: installs what is missing, builds everything, then takes a
# simulated device through a remote upgrade. ruvexa-pack makes the package
# from a new main application, an images folder and a fonts folder; the
# device boots with the remote upgrade flag, verifies and unpacks the
# package, installs it, restarts, and its second boot starts the new main
# application. Everything is left in build/demo/ to look at: the device
# folder, the debug log and every screen as a numbered PNG.
set -eu
cd "$(dirname "$0")/.."
# Only the two programs; their build's progress goes to standard error.
sh scripts/build.sh ruvexa ruvexa-pack >&2

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/source/images/icons" "$demo/source/fonts"
device="$demo/device"
step() { printf '\n== %s\n' "$*"; }

step "the device as shipped: version 1 of the main application"
mkdir -p "$device/NandFlash/Merrow/Images" "$device/NandFlash/Merrow/Font" \
    "$device/Storage Card/OV3_Download" "$device/Windows"
printf '#!/bin/sh\necho "main application 1 started" > started.txt\n' > "$device/NandFlash/Merrow/Orvane3.exe"
printf 'old picture' > "$device/NandFlash/Merrow/Images/splash.bmp"
printf 'old font' > "$device/NandFlash/Merrow/Font/Sans.ttf"
printf '#!/bin/sh\necho "shell started" > shell.txt\n' > "$device/Windows/explorer.exe"
find "$device" -type f | sort

step "ruvexa-pack: version 2 as an upgrade package"
printf '#!/bin/sh\necho "main application 2 started" > started.txt\n' > "$demo/source/Orvane3.exe"
head -c 150000 /dev/urandom > "$demo/source/images/splash.bmp"
printf 'usb icon' > "$demo/source/images/icons/usb.bmp"
head -c 40000 /dev/urandom > "$demo/source/fonts/Sans.ttf"
package="$device/Storage Card/OV3_Download/OV3_UPGRADE_2.00.BIN"
build/ruvexa-pack build --exe "$demo/source/Orvane3.exe" --images "$demo/source/images" \
    --fonts "$demo/source/fonts" -o "$package"
build/ruvexa-pack verify "$package"

step "the download arrives: remote upgrade requested"
touch "$device/NandFlash/RemoteUpgrade.flag"

step "power on (device time runs 20 times faster)"
status=0
build/ruvexa --device-root "$device" --headless --time-scale 20 --boots 2 \
    --log "$demo/debug.log" --frames "$demo/frames" --screen "$demo/screen.png" || status=$?
echo "exit status of the last boot: $status (0: the program quit after starting the main application)"

step "debug log"
cat "$demo/debug.log"

step "the device afterwards"
find "$device" -type f | sort
cat "$device/NandFlash/Merrow/started.txt"

step "screens"
ls "$demo/frames"
echo "look at them in $demo/frames/; the last screen is $demo/screen.png"
[ "$status" -eq 0 ]
