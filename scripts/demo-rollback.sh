#!/bin/sh
# The rollback, shown on a simulated device: installs what is missing, builds
# the launcher and ruvexa-pack, turns rollback on, upgrades to a version 2
# that never declares itself healthy, counts its starts, rolls it back and
# starts version 1 again; then refuses version 2 when it comes back, and
# upgrades to a healthy version 3. Everything is left in build/demo-rollback/
# to look at: the device folder, the debug log of each run and every screen
# as a numbered PNG.
set -eu
. "$(dirname "$0")/demo_lib.sh"
build_programs

demo=build/demo-rollback
rm -rf "$demo"
device="$demo/device"
merrow="$device/NandFlash/Merrow"
download="$device/Storage Card/OV3_Download"

# A main application that leaves one line in started.txt each time it starts;
# a healthy one then deletes Trial.flag, as the application's contract asks.
write_application() { # FILE VERSION healthy|unhealthy
    {
        printf '#!/bin/sh\necho "main application %s started" >> started.txt\n' "$2"
        if [ "$3" = healthy ]; then printf 'rm -f Trial.flag\n'; fi
    } > "$1"
}
# Makes the package of version VERSION in DEMO/vVERSION/.
make_version() { # VERSION healthy|unhealthy
    mkdir -p "$demo/v$1/images" "$demo/v$1/fonts"
    write_application "$demo/v$1/Orvane3.exe" "$1" "$2"
    printf 'picture of version %s' "$1" > "$demo/v$1/images/splash.bmp"
    printf 'font of version %s' "$1" > "$demo/v$1/fonts/Sans.ttf"
    build/ruvexa-pack build --exe "$demo/v$1/Orvane3.exe" --images "$demo/v$1/images" \
        --fonts "$demo/v$1/fonts" -o "$demo/v$1/OV3_UPGRADE_$1.00.BIN" >/dev/null
}
# Downloads version VERSION's package and requests it (a completed or refused
# remote upgrade removes the downloaded package).
request_version() { # VERSION
    cp "$demo/v$1/OV3_UPGRADE_$1.00.BIN" "$download/"
    touch "$device/NandFlash/RemoteUpgrade.flag"
    echo "requested $download/OV3_UPGRADE_$1.00.BIN"
}
# Boots the device; the host's lines go to standard error, the program's log
# to DEMO/NAME.log; its lines are shown, then the state of the trial.
run_device() { # NAME BOOTS
    status=0
    again=; if [ "$2" -gt 1 ]; then again=--switch-on-again; fi
    build/ruvexa --device-root "$device" --headless --time-scale 20 --boots "$2" \
        $again --log "$demo/$1.log" --frames "$demo/frames-$1" || status=$?
    sleep 1  # the applications the boots started run detached; let them write
    echo "exit status of the last boot: $status"
    echo "-- the program's log lines about the trial, the rollback and the refusal:"
    grep -iE 'trial|rollback|rolled back|rejected|refusal|upgrade complete' "$demo/$1.log" \
        | sed 's/^/   /' || true
    echo "-- started.txt, the application's own record of its starts:"
    sed 's/^/   /' "$merrow/started.txt"
}

step "the device: version 1, rollback on with 2 starts"
say "NandFlash/Merrow/Rollback.cfg holds starts=2: a new version has two starts" \
    "to declare itself healthy by deleting NandFlash/Merrow/Trial.flag."
mkdir -p "$merrow/Images" "$merrow/Font" "$download" "$device/Windows"
write_application "$merrow/Orvane3.exe" 1 healthy
printf 'picture of version 1' > "$merrow/Images/splash.bmp"
printf 'font of version 1' > "$merrow/Font/Sans.ttf"
printf 'starts=2\r\n' > "$merrow/Rollback.cfg"
find "$device" -type f | sort

step "version 2, which never declares itself healthy"
make_version 2 unhealthy
request_version 2

step "five power-ons: the upgrade, two starts of version 2, the rollback, version 1"
say "Boot 1 installs version 2, keeping version 1 in NandFlash/Merrow/Previous," \
    "writes Trial.flag and restarts. Boots 2 and 3 each record a start" \
    "(Trial.1, Trial.2) and start version 2, which leaves Trial.flag in place;" \
    "the user switches the device off and on again after each. Boot 4 finds" \
    "both starts used up: it shows \"Rolling back...\", moves version 1 back," \
    "records version 2 in Rejected.txt and restarts. Boot 5 starts version 1."
run_device upgrade-and-rollback 5
echo "-- Rejected.txt:"
sed 's/^/   /' "$merrow/Rejected.txt"
echo "-- the installed application is version 1 again:"
sed 's/^/   /' "$merrow/Orvane3.exe"

step "version 2 comes back: refused, version 1 started"
say "The same package is requested once more. The launcher finds its checksum in" \
    "Rejected.txt, shows \"Err10 Package rolled back earlier\" for three seconds," \
    "removes the request and the downloaded package, and starts version 1."
request_version 2
run_device refusal 1
echo "-- the download folder afterwards (empty):"
ls "$download"

step "version 3, healthy: the upgrade stays"
say "Boot 1 installs version 3. Boot 2 records a start and starts it; version 3" \
    "deletes Trial.flag. Boot 3 finds the trial over, removes the start record" \
    "and starts version 3. Previous keeps version 1 until the next upgrade."
make_version 3 healthy
request_version 3
run_device healthy-upgrade 3
echo "-- the device afterwards:"
find "$device" -type f | sort
echo "look at the screens in $demo/frames-*/"
