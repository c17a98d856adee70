#!/usr/bin/env bash
# Random changes on both sides of a book synced with Radicale or Xandikos
# (the first argument after the tool), a few fixed seeds: see carddav_random.py.
set -euo pipefail
tool=$1 server=$2
. "$(dirname "$0")/test_helpers.sh"
start_server_with_book "$server"
for seed in 1 2 3; do
    rm -rf "$dir/book"
    "$tool" create "$dir/book" >/dev/null
    "$tool" account "$dir/book" --url "$book" --user ann --password-command "echo pw" >/dev/null || fail "account"
    /usr/bin/python3 "$(dirname "$0")/carddav_random.py" "$tool" "$book" "$dir/book" "$seed" 20 || fail "seed $seed"
done
echo "random changes synced with $server: all checks passed"
