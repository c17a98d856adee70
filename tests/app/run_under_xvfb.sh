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

    # What is asked or said before the window is up (the passphrase of a
    # protected book; that a book is missing) comes in the middle of the
    # screen, not at its top-left corner. With no window manager, the window
    # itself lies at the corner (+0+0).
    centred_before_window() {
        "$NORVANE_DIR/norvane" >>"$NORVANE_DIR/out.log" 2>&1 &
        local pid=$! box= w h x y centred=
        box_place() {
            xwininfo -root -tree | grep "(\"norvane\" \"Norvane\")" |
                grep -o "[0-9]*x[0-9]*+[0-9]*+[0-9]*" | grep -v "+0+0$" | head -1
        }
        # The place the box settles in, not one it passes through on a busy
        # machine: read until it is centred or ten seconds have gone.
        for _ in $(seq 1 50); do
            box=$(box_place)
            if [ -n "$box" ]; then
                IFS="x+" read -r w h x y <<<"$box"
                if [ $(( (x + w / 2 - 512) ** 2 + (y + h / 2 - 384) ** 2 )) -le 16 ]; then
                    centred=yes
                    break
                fi
            fi
            sleep 0.2
        done
        kill $pid
        wait $pid 2>/dev/null || true
        if [ -z "$centred" ]; then
            echo "FAIL: $1 is not centred on the 1024x768 screen: ${box:-no box}"
            exit 1
        fi
    }
    printf "pw\npw\n" | "$NORVANE_DBTOOL" passphrase "$NORVANE_DIR" >/dev/null 2>&1
    centred_before_window "the passphrase prompt"
    rm "$NORVANE_DIR/dbVesk.mdb"
    centred_before_window "the warning that the book is missing"
    echo "norvane came up, stayed up, handed a second start over, started after a kill, and asked and warned in the middle of the screen"
'
