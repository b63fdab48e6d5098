#!/usr/bin/env bash
# on-virtual-display.sh WIDTHxHEIGHT COMMAND...: runs the command on an X server of its own.
# The server takes the first free display itself, atomically, and says which; xvfb-run's own
# search for a free one can hand one display to two runs at once, and the one that ends first
# takes the other's server down with it.
set -euo pipefail
size=$1
shift
folder=$(mktemp -d)
server=
cleanUp() {
    if [[ -n $server ]]; then
        kill "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap cleanUp EXIT
mkfifo "$folder/display"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$folder/display" 2>"$folder/server.log" &
server=$!
if ! read -r -t 30 display <"$folder/display"; then
    echo "on-virtual-display.sh: the X server did not start:" >&2
    cat "$folder/server.log" >&2
    exit 1
fi
status=0
DISPLAY=":$display" "$@" || status=$?
exit "$status"
