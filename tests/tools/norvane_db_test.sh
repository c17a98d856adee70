#!/usr/bin/env bash
# norvane-db: create, refuse to overwrite, check, passphrase, backup, index,
# export failures.
set -euo pipefail
tool=$1
writer=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$tool" --help | grep -q 'create DIR' || fail "--help does not explain create"
# A book the disk cannot take (here a file-size limit) is not left behind
# half made, where a later create would leave it be.
if errors=$( (ulimit -f 0; trap '' XFSZ; "$tool" create "$dir/app" 2>&1) ); then
    fail "a create the disk could not take passed: $errors"
fi
grep -q 'cannot create' <<<"$errors" || fail "no reason for the refused create: $errors"
[ ! -e "$dir/app/dbVesk.mdb" ] || fail "a half-made book was left"
(umask 000 && "$tool" create "$dir/app" >/dev/null) || fail "create failed"
[ -f "$dir/app/dbVesk.mdb" ] || fail "no database made"
[ -d "$dir/app/IMG" ] || fail "no photo folder made"
# Owner only, whatever the umask.
[ "$(stat -c %a "$dir/app/dbVesk.mdb")" = 600 ] || fail "the database is not owner-only"
[ "$(stat -c %a "$dir/app/IMG")" = 700 ] || fail "the photo folder is not owner-only"
! grep -q 'SQLite format 3' "$dir/app/dbVesk.mdb" || fail "the database is not encrypted"

before=$(sha256sum "$dir/app/dbVesk.mdb")
if "$tool" create "$dir/app" 2>"$dir/err"; then fail "create overwrote an existing database"; fi
grep -q 'already exists' "$dir/err" || fail "no clear message on refusal"
[ "$(sha256sum "$dir/app/dbVesk.mdb")" = "$before" ] || fail "the existing database changed"

out=$("$tool" check "$dir/app") || fail "check failed"
grep -q 'integrity: ok' <<<"$out" || fail "no integrity verdict: $out"
grep -q 'contacts: 0' <<<"$out" || fail "no contact count: $out"
grep -q '^changes: taken$' <<<"$out" || fail "no word on changes: $out"
# Tables made by another program that Norvane does not change are named so:
# a folder, the table's columns, and what check must say of them.
check_refused() {
    "$tool" create "$dir/$1" >/dev/null
    printf "PRAGMA key = '\u00A5\u00B6\u00A2\u00DE\u00BF\u00F0\u00A7';\nPRAGMA cipher_page_size = 4096;\n%s\n" \
        "DROP TABLE tblYou; CREATE TABLE tblYou ($2);" | sqlcipher "$dir/$1/dbVesk.mdb"
    out=$("$tool" check "$dir/$1") || fail "check of $1 failed: $out"
    grep -q "^changes: refused: $3" <<<"$out" || fail "$1: $out"
}
check_refused numeric "ID INTEGER PRIMARY KEY, NAME TEXT, ADDRESS TEXT, CONTACT NUMERIC, EMAIL TEXT,
    COMPANY TEXT, PROFILE TEXT" '.*its column CONTACT is declared NUMERIC'
check_refused no-company "ID INTEGER PRIMARY KEY, NAME TEXT, ADDRESS TEXT, CONTACT TEXT, EMAIL TEXT,
    PROFILE TEXT" 'The contact table has no column COMPANY\.$'

# A passphrase of the user's: set, needed, removed; a mistyped repeat changes nothing.
printf 'pass;word\npass;word\n' | "$tool" passphrase "$dir/app" >/dev/null || fail "passphrase not set"
if "$tool" check "$dir/app" </dev/null 2>/dev/null; then fail "the built-in key still opens it"; fi
printf 'pass;word\n' | "$tool" check "$dir/app" | grep -q 'integrity: ok' || fail "passphrase does not open it"
if printf 'pass;word\nnew\nwen\n' | "$tool" passphrase "$dir/app" 2>/dev/null; then
    fail "differing passphrases accepted"
fi
printf 'pass;word\n' | "$tool" passphrase "$dir/app" --remove >/dev/null || fail "passphrase not removed"
"$tool" check "$dir/app" </dev/null | grep -q 'integrity: ok' || fail "built-in key not back"
# A key change the disk cannot take (here a file-size limit) is refused,
# though the engine reports success, and the book keeps its key.
if errors=$(printf 'new\nnew\n' | (ulimit -f 0; trap '' XFSZ; "$tool" passphrase "$dir/app" 2>&1)); then
    fail "a key change the disk could not take passed: $errors"
fi
grep -q 'still under the old one' <<<"$errors" || fail "no reason for the refused key: $errors"
"$tool" check "$dir/app" </dev/null | grep -q 'integrity: ok' || fail "the built-in key no longer opens it"

# While a Norvane holds the folder, the key stays: the running window could
# not read the book under a new one.
exec 9>>"$dir/app/norvane.lock"
flock -n 9 || fail "cannot hold the lock as Norvane does"
if printf 'new\nnew\n' | "$tool" passphrase "$dir/app" 2>"$dir/err"; then
    fail "the key changed under a running Norvane"
fi
grep -q 'Norvane is running on' "$dir/err" || fail "no reason given: $(cat "$dir/err")"
exec 9>&-
"$tool" check "$dir/app" </dev/null | grep -q 'integrity: ok' || fail "built-in key lost"

# A backup taken while another program keeps writing, a contact every 5 ms:
# whole, sound, owner-only. (A writer that never pauses would keep any reader
# of a rollback-journal database waiting.)
"$writer" "$dir/app" 0 -1 5 >"$dir/acks" 2>/dev/null &
writing=$!
sleep 1
"$tool" backup "$dir/app" "$dir/copy.mdb" >/dev/null || fail "backup failed while a writer wrote"
kill $writing; wait $writing 2>/dev/null || true
[ "$(stat -c %a "$dir/copy.mdb")" = 600 ] || fail "the backup is not owner-only"
mkdir "$dir/restored" && cp "$dir/copy.mdb" "$dir/restored/dbVesk.mdb"
out=$("$tool" check "$dir/restored") || fail "the backup does not check: $out"
grep -q 'integrity: ok' <<<"$out" || fail "the backup is not sound: $out"
copied=$(sed -n 's/^contacts: //p' <<<"$out")
[ "$copied" -gt 0 ] || fail "the backup holds no contact"
if "$tool" backup "$dir/app" "$dir/copy.mdb" 2>/dev/null; then fail "backup replaced a file"; fi
# A backup named like the book's journal would be taken for an interrupted
# change, and the book refused; one in IMG/ would sit among the photos.
"$tool" create "$dir/beside" >/dev/null
ln -s "$dir/beside" "$dir/link"
for target in beside/dbVesk.mdb-journal beside/dbVesk.mdb-wal link/dbVesk.mdb-shm beside/IMG/copy.mdb; do
    if "$tool" backup "$dir/beside" "$dir/$target" 2>"$dir/err"; then fail "backed up to $target"; fi
    grep -q 'choose another' "$dir/err" || fail "no reason for $target: $(cat "$dir/err")"
    [ ! -e "$dir/$target" ] || fail "$target was written"
done
"$tool" check "$dir/beside" </dev/null | grep -q 'integrity: ok' || fail "a refused backup harmed the book"

# A book made before the PROFILE index gets it once; the contacts stay.
key=$(printf '\302\245\302\266\302\242\303\236\302\277\303\260\302\247')
indexes() {
    printf "PRAGMA key = '%s';\nPRAGMA cipher_page_size = 4096;\nSELECT count(*) FROM sqlite_master WHERE type = 'index';\n" "$key" |
        sqlcipher "$dir/restored/dbVesk.mdb" | tail -n 1
}
[ "$(indexes)" = 1 ] || fail "a made book has no PROFILE index"
printf "PRAGMA key = '%s';\nPRAGMA cipher_page_size = 4096;\nDROP INDEX tblYou_PROFILE;\n" "$key" | sqlcipher "$dir/restored/dbVesk.mdb" >/dev/null
"$tool" index "$dir/restored" | grep -q 'added' || fail "index did not add the missing index"
"$tool" index "$dir/restored" | grep -q 'already there' || fail "index added a second time"
[ "$(indexes)" = 1 ] || fail "the PROFILE index is not there"
"$tool" check "$dir/restored" | grep -q "contacts: $copied" || fail "indexing changed the contacts"

# An export that the disk cannot take whole is not reported as success, be it
# as small as one card (which stays in a buffer until the end).
"$tool" create "$dir/small" >/dev/null
printf 'BEGIN:VCARD\nVERSION:3.0\nFN:Only One\nEND:VCARD\n' >"$dir/one.vcf"
"$tool" import "$dir/small" "$dir/one.vcf" >/dev/null || fail "one card not imported"
if "$tool" export "$dir/small" >/dev/full 2>"$dir/err"; then fail "an export to a full disk passed"; fi
grep -q 'export failed' "$dir/err" || fail "no clear message for a full disk"
# A disk that fills up (here a file-size limit, in KiB) fails an export to a
# file with the reason, and leaves no file: when it fills part-way through a
# write, and when the whole export still waits in the file's buffer.
{ echo 'Name,Address,Contact,Email,Company,Photo'; for i in $(seq 1 1500); do echo "Person $i,$i Long Street,07700 900$i,p$i@example.com,Firm $i,"; done; } >"$dir/many.csv"
"$tool" create "$dir/many" >/dev/null
"$tool" import "$dir/many" "$dir/many.csv" >/dev/null || fail "many.csv not imported"
for case in "many 16" "small 0"; do
    read -r book limit <<<"$case"
    # The messages go through a pipe, which the limit does not bound.
    if errors=$( (ulimit -f "$limit"; trap '' XFSZ; "$tool" export "$dir/$book" --output "$dir/limited.vcf" 2>&1) ); then
        fail "an export of $book over a $limit KiB limit passed"
    fi
    grep -q 'File too large' <<<"$errors" || fail "no reason for the limit ($book): $errors"
    [ ! -e "$dir/limited.vcf" ] || fail "a cut-off export of $book was left behind"
done
# A pipe or a device named by --output is written into, as a shell would,
# never replaced by a file: a FIFO's reader gets the cards; as root, a null
# and a full device made here stay devices, the full one's error reported.
mkfifo "$dir/fifo"
timeout 10 cat "$dir/fifo" >"$dir/fifo.out" &
reader=$!
"$tool" export "$dir/small" --output "$dir/fifo" --force || fail "export into a FIFO failed"
wait $reader || true
[ -p "$dir/fifo" ] || fail "the FIFO was replaced by a file"
grep -q '^FN:Only One' "$dir/fifo.out" || fail "the FIFO's reader got no card"
# An import reads its file more than once, which a pipe cannot give: refused
# with the reason, before anything waits on it.
status=0
"$tool" import "$dir/small" "$dir/fifo" 2>"$dir/err" || status=$?
[ "$status" = 2 ] || fail "an import from a FIFO ended with $status"
grep -q 'pipe or a device' "$dir/err" || fail "no reason for the FIFO: $(cat "$dir/err")"
if [ "$(id -u)" = 0 ]; then
    mknod "$dir/null" c 1 3 && mknod "$dir/full" c 1 7
    "$tool" export "$dir/small" --output "$dir/null" --force || fail "export into a null device failed"
    if "$tool" export "$dir/small" --output "$dir/full" --force 2>"$dir/err"; then
        fail "an export into a full device passed"
    fi
    grep -q 'No space left' "$dir/err" || fail "no reason for the full device: $(cat "$dir/err")"
    [ -c "$dir/null" ] && [ -c "$dir/full" ] || fail "a device was replaced by a file"
fi
# A mistyped option is refused with what is wrong, never left out: the
# export would go to another place or in another format, the account be kept
# without what was meant.
while IFS='|' read -r command words said; do
    status=0
    (cd "$dir" && "$tool" "$command" "$dir/small" $words </dev/null >"$dir/out" 2>"$dir/err") || status=$?
    [ "$status" = 2 ] || fail "$command $words ended with $status"
    [ ! -s "$dir/out" ] || fail "$command $words wrote: $(head -c 200 "$dir/out")"
    grep -qF -- "$said" "$dir/err" || fail "$command $words said: $(cat "$dir/err")"
done <<'TABLE'
export|--formt csv|unknown option --formt
export|--format vcard5|there is no format vcard5
export|--format|--format needs a value
export|--output|--output needs a value
export|--output --force|--output needs a value
export|--output a.vcf --output b.vcf|--output is given twice
export|--format csv extra|"extra" is not an option
account|--url https://127.0.0.1:9/ --usr ann|unknown option --usr
account|--url https://127.0.0.1:9/ --user ann --alow-insecure|unknown option --alow-insecure
account|--remove --remove|--remove is given twice
TABLE
[ ! -e "$dir/a.vcf" ] && [ ! -e "$dir/--force" ] || fail "a refused export left a file"
[ "$("$tool" account "$dir/small")" = "no account" ] || fail "a refused account was kept"
# A card that goes without the photo its contact names says so, and the
# export still succeeds.
printf 'Name,Address,Contact,Email,Company,Photo\nGone Photo,,1,,,gone.png\n' >"$dir/gone.csv"
"$tool" import "$dir/small" "$dir/gone.csv" >/dev/null || fail "the CSV was not imported"
"$tool" export "$dir/small" >"$dir/gone.vcf" 2>"$dir/err" || fail "an export without a photo failed"
grep -q '^FN:Gone Photo' "$dir/gone.vcf" || fail "the card without its photo was not written"
grep -q 'exported without its photo: Gone Photo: gone.png (not in the photo folder)' "$dir/err" ||
    fail "the left-out photo was not named: $(cat "$dir/err")"
# A card's picture that cannot be written here fails the import, as a failed
# write to the book does, and loses nothing: without a temporary folder
# (TMPDIR names a file) it is not written into the working folder, over a
# file of its name; without the photo folder, the contact the card updates
# keeps the photo it has.
pat() {
    printf 'BEGIN:VCARD\nVERSION:3.0\nUID:pat\nFN:Pat Lo\nTEL:%s\nPHOTO;ENCODING=b;TYPE=PNG:%s\nEND:VCARD\n' "$1" \
        iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg== >"$dir/pat.vcf"
}
pat 1
mkdir "$dir/work" && echo mine >"$dir/work/Pat Lo.png"
if (cd "$dir/work" && TMPDIR="$dir/pat.vcf" "$tool" import "$dir/small" "$dir/pat.vcf" >/dev/null 2>"$dir/err"); then
    fail "an import without a temporary folder passed"
fi
grep -q 'no temporary folder' "$dir/err" || fail "the missing temporary folder was not said: $(cat "$dir/err")"
[ "$(cat "$dir/work/Pat Lo.png")" = mine ] || fail "a file in the working folder was written over"
"$tool" import "$dir/small" "$dir/pat.vcf" >/dev/null || fail "the card with a photo was not imported"
pat 2
mv "$dir/small/IMG" "$dir/IMG.away"
if "$tool" import "$dir/small" "$dir/pat.vcf" >/dev/null 2>"$dir/err"; then
    fail "an update whose photo could not be kept passed"
fi
mv "$dir/IMG.away" "$dir/small/IMG"
grep -q 'does not exist' "$dir/err" || fail "the missing photo folder was not said: $(cat "$dir/err")"
"$tool" export "$dir/small" --format csv | grep -q '^Pat Lo,,1,,,Pat Lo.png' ||
    fail "the contact changed: $("$tool" export "$dir/small" --format csv | grep Pat)"

if "$tool" check "$dir/nowhere" 2>/dev/null; then fail "check passed on a missing database"; fi
head -c 8192 /dev/urandom >"$dir/app/dbVesk.mdb"
if "$tool" check "$dir/app" 2>/dev/null; then fail "check passed on random bytes"; fi
echo "norvane-db: all checks passed"
