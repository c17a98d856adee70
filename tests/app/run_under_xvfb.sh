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

export NORVANE_DIR=$dir NORVANE_DBTOOL=$dbtool
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
    # A second start on the same folder hands over to the first and leaves.
    before=$(xwininfo -root -tree | grep -c "\"Norvane\"")
    if ! timeout 20 "$NORVANE_DIR/norvane" >>"$NORVANE_DIR/out.log" 2>&1; then
        echo "FAIL: the second start did not hand over and leave"; exit 1
    fi
    kill -0 $pid || { echo "FAIL: the first norvane went away"; exit 1; }
    after=$(xwininfo -root -tree | grep -c "\"Norvane\"")
    [ "$after" -eq "$before" ] || { echo "FAIL: the second start left windows ($before, then $after)"; exit 1; }
    # A lock left by a killed process does not block the next start.
    kill -9 $pid
    wait $pid 2>/dev/null || true
    "$NORVANE_DIR/norvane" >>"$NORVANE_DIR/out.log" 2>&1 &
    pid=$!
    sleep 3
    kill -0 $pid 2>/dev/null || { echo "FAIL: no start after a killed one"; cat "$NORVANE_DIR/out.log"; exit 1; }
    kill $pid
    wait $pid 2>/dev/null || true

    # The passphrase of a protected book is asked for before the window is
    # shown: in the middle of the screen, not at its corner.
    printf "pw\npw\n" | "$NORVANE_DBTOOL" passphrase "$NORVANE_DIR" >/dev/null 2>&1
    "$NORVANE_DIR/norvane" >>"$NORVANE_DIR/out.log" 2>&1 &
    pid=$!
    prompt=
    for _ in $(seq 1 50); do
        prompt=$(xwininfo -root -tree | grep "\"Norvane\": (\"norvane\"" |
            grep -o "[0-9]*x[0-9]*+[0-9]*+[0-9]*" | awk -Fx "\$1 < 600" | head -1)
        [ -n "$prompt" ] && break
        sleep 0.2
    done
    kill $pid
    wait $pid 2>/dev/null || true
    IFS="x+" read -r w h x y <<<"$prompt"
    if [ -z "$prompt" ] || [ $(( (x + w / 2 - 512) ** 2 + (y + h / 2 - 384) ** 2 )) -gt 16 ]; then
        echo "FAIL: the passphrase prompt is not centred on the 1024x768 screen: ${prompt:-none}"
        exit 1
    fi
    echo "norvane came up, stayed up, handed a second start over, started after a kill and asked for a passphrase in the middle of the screen"
'
