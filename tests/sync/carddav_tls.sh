#!/usr/bin/env bash
# An https server whose certificate no authority vouches for (Radicale with
# a self-signed one): refused with its SHA-256 fingerprint, accepted once
# the user trusts exactly that fingerprint (kept with the account, so that a
# sync goes through too), and refused again under another fingerprint.
set -euo pipefail
tool=$1
server=tls
. "$(dirname "$0")/test_helpers.sh"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" 2>/dev/null
fingerprint=$(openssl x509 -in "$dir/cert.pem" -noout -fingerprint -sha256 | sed 's/.*=//')
start_radicale pw "$dir/cert.pem" "$dir/key.pem"
make_address_book "$base/ann/contacts/" pw Friends
"$tool" create "$dir/book" >/dev/null
account() { "$tool" account "$dir/book" --url "$base" --user ann --password-command "echo pw" "$@"; }

if err=$(account 2>&1); then fail "an untrusted certificate was accepted"; fi
[[ $err == *"is not trusted (SHA-256 fingerprint $fingerprint)"* ]] || fail "the refusal said: $err"
out=$(account --trust-fingerprint "$fingerprint") || fail "the trusted fingerprint was refused: $out"
[[ $out == "found the address book \"Friends\" at $base/ann/contacts/"* ]] || fail "trusted, it said: $out"
out=$("$tool" sync "$dir/book") || fail "a sync over https: $out"
other=$(printf '%s' "$fingerprint" | tr '0123456789ABCDEF' '123456789ABCDEF0')
if account --trust-fingerprint "$other" >/dev/null 2>&1; then fail "another fingerprint was accepted"; fi
echo "carddav over https: all checks passed"
