#!/bin/sh
# Runs one test in an isolated environment: a fresh home, XDG folders, runtime
# folder and temporary folder, removed afterwards, and the offscreen platform (or
# Xvfb when HALVORA_TEST_DISPLAY=xvfb).
root=$(mktemp -d "/tmp/hl-test.XXXXXX") || exit 1
trap 'rm -rf "$root"' EXIT INT TERM
mkdir -p "$root/home" "$root/data" "$root/config" "$root/cache" "$root/state" \
         "$root/config-dirs" "$root/runtime" "$root/tmp"
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_DATA_HOME="$root/data"
export XDG_CONFIG_HOME="$root/config"
export XDG_CACHE_HOME="$root/cache"
export XDG_STATE_HOME="$root/state"
export XDG_CONFIG_DIRS="$root/config-dirs"
export XDG_RUNTIME_DIR="$root/runtime"
export TMPDIR="$root/tmp"
export HALVORA_TEST_ROOT="$root"
unset DBUS_SESSION_BUS_ADDRESS
if [ "${HALVORA_TEST_DISPLAY:-}" = "xvfb" ]; then
    export QT_QPA_PLATFORM=xcb
    xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
else
    export QT_QPA_PLATFORM=offscreen
    "$@"
fi
