# Shared by the demonstrations (sourced, not run): builds ruvexa and
# ruvexa-pack showing one progress line, and the two helpers that announce a
# step and say what it shows. The set-up's and the compiler's output go to a
# log file, shown only when the build fails.
cd "$(dirname "$0")/.."

build_programs() {
    mkdir -p build
    build_log=build/demo-build.log
    sh scripts/build.sh ruvexa ruvexa-pack >"$build_log" 2>&1 &
    builder=$!
    printf 'demo: setting up and building ruvexa and ruvexa-pack...' >&2
    while kill -0 "$builder" 2>/dev/null; do
        if [ -t 2 ]; then
            done_share=$(grep -o '^\[ *[0-9]*%\]' "$build_log" | tail -n 1 | tr -d '[] ')
            printf '\rdemo: setting up and building ruvexa and ruvexa-pack... %s ' "$done_share" >&2
        fi
        sleep 1
    done
    if ! wait "$builder"; then
        printf '\ndemo: the build failed; its output:\n' >&2
        cat "$build_log" >&2
        exit 1
    fi
    if [ -t 2 ]; then printf '\rdemo: setting up and building ruvexa and ruvexa-pack...' >&2; fi
    printf ' done (output in %s)\n' "$build_log" >&2
}

step() { printf '\n== %s\n' "$*"; }
# What the step shows, in a few words, before its output.
say() { printf '   %s\n' "$@"; }
