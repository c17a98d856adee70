#!/usr/bin/env bash
# Failures a real server does not produce on demand, from a tiny local
# server: a card refused for quota (named, the run ends with status 1, the
# next run sends it), an HTML page where WebDAV was expected, a 500, a
# server that never answers (given up after 30 s). Each leaves the book as
# it was. Then Radicale behind a proxy that makes it rewrite the cards it
# takes, or cut its sync answers short, as some servers do.
set -euo pipefail
tool=$1
server=failures
. "$(dirname "$0")/test_helpers.sh"
port=$(free_port)
mode() { echo "$1" > "$dir/mode"; }
mode quota
/usr/bin/python3 "$(dirname "$0")/broken_server.py" "$port" "$dir/mode" &
pids+=($!)
base=http://127.0.0.1:$port
wait_for "$base/"
"$tool" create "$dir/book" >/dev/null
printf 'BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Kept Here\r\nEND:VCARD\r\n' > "$dir/one.vcf"
"$tool" import "$dir/book" "$dir/one.vcf" >/dev/null 2>&1
"$tool" account "$dir/book" --url "$base/book/" --user ann --password-command "echo pw" >/dev/null ||
    fail "the account"
sync() { "$tool" sync "$dir/book" 2>"$dir/err"; }

if out=$(sync); then fail "a refused card was reported as synced: $out"; fi
[[ $out == *"pushed 0 new"* ]] || fail "a refused card said: $out"
grep -q 'sending /book/.*\.vcf: 127.0.0.1 answered HTTP 507' "$dir/err" || fail "the refusal said: $(cat "$dir/err")"
for broken in html error; do
    mode $broken
    if sync >/dev/null; then fail "a sync against $broken succeeded"; fi
done
grep -q 'the sync stopped: asking the address book what changed: 127.0.0.1 answered HTTP 500' "$dir/err" ||
    fail "a 500 said: $(cat "$dir/err")"
mode html
sync >/dev/null || true
grep -q 'listing the address book: the answer of 127.0.0.1 is not a WebDAV one' "$dir/err" ||
    fail "an HTML page said: $(cat "$dir/err")"
mode stall
if sync >/dev/null; then fail "a stalled server was reported as synced"; fi
grep -q 'no answer from 127.0.0.1 within 30 s' "$dir/err" || fail "a stalled server said: $(cat "$dir/err")"
mode ok
out=$(sync) || fail "the retry: $out $(cat "$dir/err")"
[[ $out == *"pushed 1 new"* ]] || fail "the retry said: $out"
"$tool" check "$dir/book" | grep -q 'contacts: 1' || fail "the failures changed the book"

# A server that rewrites the cards it takes and so names no ETag for them
# (Radicale behind a proxy that acts so): a contact sent and then removed
# here, or edited, sent and then removed, stays removed, and a run after a
# send has nothing to pull.
start_radicale pw
# A book $1 whose account is Radicale's address book $2 behind a proxy of
# its own (that cuts sync answers to $3 cards when given and not 0, and
# leaves the card whose path holds $4 out of one multiget answer).
book_behind_proxy() {
    local port; port=$(free_port)
    /usr/bin/python3 "$(dirname "$0")/rewriting_proxy.py" "$port" "$base" "${@:3}" &
    pids+=($!)
    wait_for "http://127.0.0.1:$port/"
    "$tool" create "$dir/$1" >/dev/null
    "$tool" account "$dir/$1" --url "http://127.0.0.1:$port$2" --user ann --password-command "echo pw" >/dev/null ||
        fail "the account of $1 behind the proxy"
}
sync_in() { "$tool" sync "$1" 2>"$dir/err" || fail "a sync behind the proxy: $(cat "$dir/err")"; }
make_address_book "$base/ann/contacts/" pw Contacts
book_behind_proxy rewritten /ann/contacts/
sync_rewritten() { sync_in "$dir/rewritten"; }
rsql() { sql_in "$dir/rewritten" "$1"; }
rsql "INSERT INTO tblYou (NAME, CONTACT) VALUES ('Ann', '1'), ('Bob', '2');"
[[ $(sync_rewritten) == *"pushed 2 new"* ]] || fail "the rewriting server took not both contacts"
out=$(sync_rewritten)
[ "$out" = "pulled 0 new, 0 changed, 0 removed; pushed 0 new, 0 changed, 0 removed; 0 conflicts" ] ||
    fail "a run after a send to the rewriting server said: $out"
rsql "UPDATE tblYou SET CONTACT = '22' WHERE NAME = 'Bob';"
[[ $(sync_rewritten) == *"pushed 0 new, 1 changed"* ]] || fail "the edit was not sent to the rewriting server"
rsql "DELETE FROM tblYou;"
out=$(sync_rewritten)
[[ $out == "pulled 0 new, 0 changed, 0 removed; pushed 0 new, 0 changed, 2 removed;"* ]] ||
    fail "removing after a send to the rewriting server said: $out"
sync_rewritten >/dev/null
[ "$(rsql 'SELECT count(*) FROM tblYou;')" = 0 ] || fail "removed contacts came back: $(rsql 'SELECT NAME FROM tblYou;')"

# A server that cuts its sync answers short (here at most 2 cards each, as
# RFC 6578 allows): the answers are read on to their end, and a listing from
# no token (one the server no longer knows) is never taken as whole before
# its end, which would read the cards it has not named yet as removed there.
make_address_book "$base/ann/cut/" pw Cut
for i in 1 2 3 4 5; do
    curl -sf -u ann:pw -X PUT -H 'Content-Type: text/vcard' "$base/ann/cut/c$i.vcf" \
        --data-binary "$(printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%s\r\nFN:Cut %s\r\nN:;Cut;;;\r\nEND:VCARD\r\n' "$i" "$i")" ||
        fail "cannot put c$i"
done
book_behind_proxy cut /ann/cut/ 2
out=$(sync_in "$dir/cut")
[[ $out == "pulled 5 new, 0 changed, 0 removed;"* ]] || fail "the first answers cut short said: $out"
sql_in "$dir/cut" "DELETE FROM tblSetting WHERE KEY = 'carddav.sync_token';"
out=$(sync_in "$dir/cut")
[[ $out == "pulled 0 new, 0 changed, 0 removed;"* ]] || fail "a listing cut short said: $out"
[ "$(sql_in "$dir/cut" 'SELECT count(*) FROM tblYou;')" = 5 ] || fail "a listing cut short left $(sql_in "$dir/cut" 'SELECT count(*) FROM tblYou;') of 5 contacts"

# A server that fails one card of a multiget answer (here, once): the run
# names it, and the next one asks for it again rather than going on from a
# token past it, which would leave the contact out until it changed again.
make_address_book "$base/ann/flaky/" pw Flaky
for name in steady flaky; do
    curl -sf -u ann:pw -X PUT -H 'Content-Type: text/vcard' "$base/ann/flaky/$name.vcf" \
        --data-binary "$(printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s\r\nFN:%s\r\nN:;%s;;;\r\nEND:VCARD\r\n' "$name" "$name" "$name")" ||
        fail "cannot put $name"
done
book_behind_proxy flaky /ann/flaky/ 0 flaky.vcf
if out=$("$tool" sync "$dir/flaky" 2>"$dir/err"); then
    fail "a run missing a card passed for whole: $out"
fi
grep -q "/ann/flaky/flaky.vcf was asked for but not sent by the server" "$dir/err" ||
    fail "the card left out was not named: $(cat "$dir/err")"
out=$(sync_in "$dir/flaky")
[[ $out == "pulled 1 new, 0 changed, 0 removed;"* ]] || fail "the card left out was not asked again: $out"
[ "$(sql_in "$dir/flaky" 'SELECT group_concat(NAME) FROM (SELECT NAME FROM tblYou ORDER BY NAME);')" = flaky,steady ] ||
    fail "after a card left out, the book holds: $(sql_in "$dir/flaky" 'SELECT NAME FROM tblYou;')"
echo "carddav failures: all checks passed"
