#!/usr/bin/env bash
# Runs the read-only test on a database its user cannot write: as an
# unprivileged user when started by root, who writes any file.
set -euo pipefail
test=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
"$test" --prepare "$dir/app"
chmod 755 "$dir/app"
chmod 444 "$dir/app/dbVesk.mdb"
export NORVANE_READ_ONLY_DIR=$dir/app XDG_RUNTIME_DIR=$dir/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ "$(id -u)" -eq 0 ]; then
    # The build folder may lie where the unprivileged user cannot reach.
    cp "$test" "$dir/tst_read_only"
    chown nobody "$XDG_RUNTIME_DIR" "$dir/app"
    as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$dir/tst_read_only"; }
    as_nobody
    # Then with the folder read-only as well: the engine can make no journal
    # there, and the lock file an earlier run left cannot be written either,
    # as on a disk that has become read-only.
    chown root "$dir/app"
    rm -f "$dir/app/norvane.lock"
    install -m 644 -o root /dev/null "$dir/app/norvane.lock"
    as_nobody
    exit
fi
exec "$test"
