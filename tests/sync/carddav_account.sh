#!/usr/bin/env bash
# norvane-db account against real CardDAV servers on 127.0.0.1: Radicale
# (with a user and a password) and Xandikos (which leaves authentication to
# a proxy). The address book is found from the server's root, the account is
# kept without its password, a wrong password or a stopped server stores
# nothing, and --remove forgets the account but no contact.
set -euo pipefail
tool=$1
dir=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_for() { for _ in $(seq 100); do curl -s -o /dev/null "$1" && return 0; sleep 0.1; done; fail "no server at $1"; }
account() { "$tool" account "$dir/book" "$@"; }
stored_settings() {
    printf "PRAGMA key = '\u00A5\u00B6\u00A2\u00DE\u00BF\u00F0\u00A7';\nPRAGMA cipher_page_size = 4096;\nSELECT KEY || '=' || VALUE FROM tblSetting;\n" |
        sqlcipher "$dir/book/dbVesk.mdb"
}

"$tool" create "$dir/book" >/dev/null
printf 'BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Kept Here\r\nEND:VCARD\r\n' > "$dir/one.vcf"
"$tool" import "$dir/book" "$dir/one.vcf" >/dev/null 2>&1

# Radicale, user ann with the password "sec ret", one address book holding one card.
rport=$(free_port)
mkdir -p "$dir/radicale"
printf 'ann:sec ret\n' > "$dir/radicale/users"
cat > "$dir/radicale/config" <<CONF
[server]
hosts = 127.0.0.1:$rport
[auth]
type = htpasswd
htpasswd_filename = $dir/radicale/users
htpasswd_encryption = plain
[storage]
filesystem_folder = $dir/radicale/collections
[rights]
type = owner_only
CONF
radicale --config "$dir/radicale/config" >"$dir/radicale/log" 2>&1 &
pids+=($!)
rurl=http://127.0.0.1:$rport
wait_for "$rurl/"
curl -sf -u 'ann:sec ret' -X MKCOL "$rurl/ann/contacts/" --data '<?xml version="1.0"?>
<d:mkcol xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav"><d:set><d:prop>
<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype><d:displayname>Friends</d:displayname>
</d:prop></d:set></d:mkcol>' >/dev/null || fail "cannot make the Radicale address book"
curl -sf -u 'ann:sec ret' -X PUT -H 'Content-Type: text/vcard' "$rurl/ann/contacts/a.vcf" \
    --data-binary $'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:A\r\nN:;A;;;\r\nEND:VCARD\r\n' >/dev/null ||
    fail "cannot put a card on Radicale"
printf '#!/bin/sh\necho "sec ret"\n' > "$dir/pass" && chmod +x "$dir/pass"

out=$(account --url "$rurl" --user ann --password-command "$dir/pass") || fail "Radicale: $out"
[ "$out" = "found the address book \"Friends\" at $rurl/ann/contacts/ with 1 card; it is the book's account" ] ||
    fail "Radicale said: $out"
[ "$(account)" = "$rurl/ann/contacts/ as ann" ] || fail "the account shows as: $(account)"
stored_settings | grep -q "carddav.password_command=$dir/pass" || fail "the password command was not kept"
if stored_settings | grep -q 'sec ret'; then fail "the password is in the book"; fi

if err=$(account --url "$rurl/ann/" --user ann --password-command "echo wrong" 2>&1); then
    fail "a wrong password was accepted"
fi
[[ $err == *"refused the user name or password (HTTP 401); no account was stored."* ]] || fail "401 said: $err"
[ "$(account)" = "$rurl/ann/contacts/ as ann" ] || fail "a refused login changed the account"
if err=$(account --url http://example.invalid/ --user ann --password-command "echo x" 2>&1); then
    fail "plain http to another host was allowed"
fi
[[ $err == *"--allow-insecure"* ]] || fail "plain http said: $err"

# Xandikos with its default address book, found from the root.
xport=$(free_port)
xandikos -d "$dir/xandikos" --defaults -l 127.0.0.1 -p "$xport" >"$dir/xandikos.log" 2>&1 &
xpid=$!
pids+=($xpid)
xurl=http://127.0.0.1:$xport
wait_for "$xurl/"
out=$(account --url "$xurl" --user ann --password-command "echo x") || fail "Xandikos: $out"
[[ $out == *"at $xurl/user/contacts/addressbook/ with 0 cards"* ]] || fail "Xandikos said: $out"
kill "$xpid" && wait "$xpid" 2>/dev/null || true
if err=$(account --url "$xurl" --user ann --password-command "echo x" 2>&1); then
    fail "a stopped server was reported as found"
fi
[[ $err == *"no answer from 127.0.0.1"* ]] || fail "a stopped server said: $err"

[ "$(account --remove)" = "the account is forgotten; every contact stays" ] || fail "--remove"
[ "$(account)" = "no account" ] || fail "the account is still there"
"$tool" check "$dir/book" | grep -q 'contacts: 1' || fail "forgetting the account lost a contact"
echo "carddav account: all checks passed"
