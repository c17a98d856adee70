#!/usr/bin/env bash
# norvane-db account against real CardDAV servers on 127.0.0.1: Radicale
# (with a user and a password) and Xandikos (which leaves authentication to
# a proxy), and Radicale behind a proxy asking for Digest authentication.
# The address book is found from the server's root, the account is kept
# without its password, a wrong password or a stopped server stores nothing,
# and --remove forgets the account but no contact.
set -euo pipefail
tool=$1
server=
. "$(dirname "$0")/test_helpers.sh"
account() { "$tool" account "$dir/book" "$@"; }
stored_settings() { sql "SELECT KEY || '=' || VALUE FROM tblSetting;"; }

"$tool" create "$dir/book" >/dev/null
printf 'BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Kept Here\r\nEND:VCARD\r\n' > "$dir/one.vcf"
"$tool" import "$dir/book" "$dir/one.vcf" >/dev/null 2>&1

# Radicale, user ann with the password "sec ret", one address book holding one card.
start_radicale 'sec ret'
rurl=$base
make_address_book "$rurl/ann/contacts/" 'sec ret' Friends
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
# Typing slips are refused as typed, never guessed into another address.
for typed in "not a url" "ftp://example.com/" "https://[::1" "http://"; do
    if err=$(account --url "$typed" --user ann --password-command "echo x" 2>&1); then fail "\"$typed\" was taken"; fi
    [[ $err == *"\"$typed\" is not an http or https address; no account was stored."* ]] || fail "\"$typed\" said: $err"
done
[ "$(account)" = "$rurl/ann/contacts/ as ann" ] || fail "a refused address changed the account"

# Synced, then moved to another, empty address book: every contact stays and
# is sent there; none reads as removed.
out=$("$tool" sync "$dir/book") || fail "sync: $out"
[ "$out" = "pulled 1 new, 0 changed, 0 removed; pushed 1 new, 0 changed, 0 removed; 0 conflicts" ] || fail "sync said: $out"
make_address_book "$rurl/ann/other/" 'sec ret' Other
account --url "$rurl/ann/other/" --user ann --password-command "$dir/pass" >/dev/null || fail "moving the account"
out=$("$tool" sync "$dir/book") || fail "sync after the move: $out"
[ "$out" = "pulled 0 new, 0 changed, 0 removed; pushed 2 new, 0 changed, 0 removed; 0 conflicts" ] ||
    fail "after moving the account the sync said: $out"
"$tool" check "$dir/book" | grep -q 'contacts: 2' || fail "moving the account lost contacts"

# A password command only the book names (written there by another program,
# or set on another computer) is never run; once set here, it is.
printf '#!/bin/sh\ntouch "%s/ran"\necho "sec ret"\n' "$dir" > "$dir/planted" && chmod +x "$dir/planted"
sql "UPDATE tblSetting SET VALUE = '$dir/planted' WHERE KEY = 'carddav.password_command';"
if err=$("$tool" sync "$dir/book" 2>&1); then fail "a planted password command was run"; fi
[ ! -e "$dir/ran" ] || fail "the planted password command ran"
[[ $err == *"not set for this account on this computer"* ]] || fail "a planted command said: $err"
account --url "$rurl/ann/other/" --user ann --password-command "$dir/planted" >/dev/null ||
    fail "setting the command here"
rm -f "$dir/ran"
"$tool" sync "$dir/book" >/dev/null || fail "the command set here was refused"
[ -e "$dir/ran" ] || fail "the command set here did not run"

# A server that asks for Digest authentication (a proxy in front of
# Radicale): found and synced with the same password, a wrong one refused.
dport=$(free_port)
/usr/bin/python3 "$(dirname "$0")/digest_proxy.py" "$dport" "$rurl" ann 'sec ret' &
pids+=($!)
wait_for "http://127.0.0.1:$dport/"
"$tool" create "$dir/digest" >/dev/null
daccount() { "$tool" account "$dir/digest" --url "http://127.0.0.1:$dport/ann/contacts/" --user ann "$@"; }
if err=$(daccount --password-command "echo wrong" 2>&1); then fail "Digest: a wrong password was accepted"; fi
[[ $err == *"refused the user name or password (HTTP 401)"* ]] || fail "Digest, wrong password, said: $err"
out=$(daccount --password-command "$dir/pass" 2>"$dir/err") || fail "Digest: $(cat "$dir/err")"
[[ $out == "found the address book \"Friends\" at "*" with 2 cards; it is the book's account" ]] || fail "Digest said: $out"
sql_in "$dir/digest" "INSERT INTO tblYou (NAME, CONTACT) VALUES ('Dee', '4');"
out=$("$tool" sync "$dir/digest" 2>"$dir/err") || fail "Digest sync: $(cat "$dir/err")"
[ "$out" = "pulled 2 new, 0 changed, 0 removed; pushed 1 new, 0 changed, 0 removed; 0 conflicts" ] ||
    fail "the Digest sync said: $out"

# Xandikos with its default address book, found from the root.
start_xandikos
xpid=${pids[-1]}
xurl=$base
out=$(account --url "$xurl" --user ann --password-command "echo x") || fail "Xandikos: $out"
[[ $out == *"at $xurl/user/contacts/addressbook/ with 0 cards"* ]] || fail "Xandikos said: $out"
kill "$xpid" && wait "$xpid" 2>/dev/null || true
if err=$(account --url "$xurl" --user ann --password-command "echo x" 2>&1); then
    fail "a stopped server was reported as found"
fi
[[ $err == *"no answer from 127.0.0.1"* ]] || fail "a stopped server said: $err"

[ "$(account --remove)" = "the account is forgotten; every contact stays" ] || fail "--remove"
[ "$(account)" = "no account" ] || fail "the account is still there"
"$tool" check "$dir/book" | grep -q 'contacts: 2' || fail "forgetting the account lost a contact"
echo "carddav account: all checks passed"
