#!/usr/bin/env bash
# Starts the real norvane executable under a virtual X display on a prepared
# application folder, checks that its window comes up and that it stays up
# until stopped; and that without a display it says so in one line.
set -euo pipefail
exe=$1 dbtool=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$exe" "$dir/norvane"
"$dbtool" create "$dir" >/dev/null

set +e
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$dir/norvane" 2>&1)
rc=$?
set -e
if [ "$rc" -eq 0 ] || [ "$(printf '%s\n' "$message" | wc -l)" -ne 1 ] || ! grep -q 'display' <<<"$message"; then
    echo "FAIL: without a display expected one line and a failure, got rc=$rc: $message"
    exit 1
fi

export NORVANE_DIR=$dir
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    unset QT_QPA_PLATFORM
    "$NORVANE_DIR/norvane" >"$NORVANE_DIR/out.log" 2>&1 &
    pid=$!
    for _ in $(seq 1 50); do
        xwininfo -root -tree 2>/dev/null | grep -q "\"Norvane\"" && break
        sleep 0.2
    done
    if ! xwininfo -root -tree | grep -q "\"Norvane\""; then
        echo "FAIL: no Norvane window appeared"; cat "$NORVANE_DIR/out.log"; kill $pid; exit 1
    fi
    sleep 2
    if ! kill -0 $pid 2>/dev/null; then
        echo "FAIL: norvane ended by itself"; cat "$NORVANE_DIR/out.log"; exit 1
    fi
    kill $pid
    wait $pid 2>/dev/null || true
    echo "norvane came up and stayed up"
'
