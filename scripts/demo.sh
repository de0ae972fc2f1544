#!/bin/sh
# The main job: installs what is missing, builds the launcher and
# ruvexa-pack, then takes a simulated device through a remote upgrade,
# saying before each step what it shows. ruvexa-pack makes the package from
# a new main application, an images folder and a fonts folder; the device
# boots with the remote upgrade flag, verifies and unpacks the
# package, installs it, restarts, and its second boot starts the new main
# application. Everything is left in build/demo/ to look at: the device
# folder, the debug log and every screen as a numbered PNG.
set -eu
. "$(dirname "$0")/demo_lib.sh"
build_programs

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/source/images/icons" "$demo/source/fonts"
device="$demo/device"

step "the device as shipped: version 1 of the main application"
say "$device stands for the device's file system: NandFlash is its internal" \
    "flash, Storage Card its SD card, Windows the system folder. The main" \
    "application, NandFlash/Merrow/Orvane3.exe, is here a script that leaves" \
    "started.txt; its images and fonts are the Images and Font folders beside it."
mkdir -p "$device/NandFlash/Merrow/Images" "$device/NandFlash/Merrow/Font" \
    "$device/Storage Card/OV3_Download" "$device/Windows"
printf '#!/bin/sh\necho "main application 1 started" > started.txt\n' > "$device/NandFlash/Merrow/Orvane3.exe"
printf 'old picture' > "$device/NandFlash/Merrow/Images/splash.bmp"
printf 'old font' > "$device/NandFlash/Merrow/Font/Sans.ttf"
printf '#!/bin/sh\necho "shell started" > shell.txt\n' > "$device/Windows/explorer.exe"
find "$device" -type f | sort

step "ruvexa-pack: version 2 as an upgrade package"
say "The package holds the new main application and two zip archives, zipped" \
    "here from a folder of images and one of fonts; verify checks it exactly" \
    "as the device will. 200 photos of 40 KB make it large enough for the" \
    "progress bar to be seen moving."
printf '#!/bin/sh\necho "main application 2 started" > started.txt\n' > "$demo/source/Orvane3.exe"
head -c 150000 /dev/urandom > "$demo/source/images/splash.bmp"
mkdir -p "$demo/source/images/photos"
for photo in $(seq 1 200); do head -c 40000 /dev/urandom > "$demo/source/images/photos/$photo.bmp"; done
printf 'usb icon' > "$demo/source/images/icons/usb.bmp"
head -c 40000 /dev/urandom > "$demo/source/fonts/Sans.ttf"
package="$device/Storage Card/OV3_Download/OV3_UPGRADE_2.00.BIN"
build/ruvexa-pack build --exe "$demo/source/Orvane3.exe" --images "$demo/source/images" \
    --fonts "$demo/source/fonts" -o "$package"
build/ruvexa-pack verify "$package"

step "the download arrives: remote upgrade requested"
say "The package lies in the download folder; the flag NandFlash/RemoteUpgrade.flag" \
    "asks the launcher to install it at the next power-on."
touch "$device/NandFlash/RemoteUpgrade.flag"

step "power on (device time runs 20 times faster)"
say "Boot 1 finds the request, checks and unpacks the package, installs it and" \
    "restarts the device: it ends with exit 3, a reset through the board's" \
    "AIP1: driver. Boot 2 finds no request, starts the new main application and" \
    "quits five seconds later: exit 0. The lines below come from the host layer" \
    "that stands in for the device (ruvexa-host: ...); the program's own debug" \
    "log follows in the next step."
status=0
build/ruvexa --device-root "$device" --headless --time-scale 20 --boots 2 \
    --log "$demo/debug.log" --frames "$demo/frames" --screen "$demo/screen.png" || status=$?
echo "exit status of the last boot: $status (0: the program quit after starting the main application)"

step "debug log"
say "What the program wrote to the device's debug output, boot after boot;" \
    "at=[...] is the device's millisecond tick."
cat "$demo/debug.log"

step "the device afterwards"
say "Version 2 has replaced version 1: the new Orvane3.exe, Images and Font are" \
    "in NandFlash/Merrow, the old ones are gone, and the flag and the package" \
    "have been removed. started.txt was left by the new main application:"
find "$device" -type f | grep -v /photos/ | sort
echo "(and the 200 photos in $device/NandFlash/Merrow/Images/photos)"
cat "$device/NandFlash/Merrow/started.txt"

step "screens"
say "Each time the screen changed, the host wrote a frame: a PNG of the" \
    "480 x 272 screen, numbered across both boots. While \"Preparing...\" and" \
    "\"Upgrading...\" are shown, the progress bar below them grows frame by frame."
ls "$demo/frames" | tr "\n" " "; echo
echo "look at them in $demo/frames/; the last screen is $demo/screen.png"
[ "$status" -eq 0 ]
