#!/usr/bin/env bash
# norvane-db: create, refuse to overwrite, check.
set -euo pipefail
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$tool" --help | grep -q 'create DIR' || fail "--help does not explain create"
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

# A passphrase of the user's: set, needed, removed; a mistyped repeat changes nothing.
printf 'pass;word\npass;word\n' | "$tool" passphrase "$dir/app" >/dev/null || fail "passphrase not set"
if "$tool" check "$dir/app" </dev/null 2>/dev/null; then fail "the built-in key still opens it"; fi
printf 'pass;word\n' | "$tool" check "$dir/app" | grep -q 'integrity: ok' || fail "passphrase does not open it"
if printf 'pass;word\nnew\nwen\n' | "$tool" passphrase "$dir/app" 2>/dev/null; then
    fail "differing passphrases accepted"
fi
printf 'pass;word\n' | "$tool" passphrase "$dir/app" --remove >/dev/null || fail "passphrase not removed"
"$tool" check "$dir/app" </dev/null | grep -q 'integrity: ok' || fail "built-in key not back"

if "$tool" check "$dir/nowhere" 2>/dev/null; then fail "check passed on a missing database"; fi
head -c 8192 /dev/urandom >"$dir/app/dbVesk.mdb"
if "$tool" check "$dir/app" 2>/dev/null; then fail "check passed on random bytes"; fi
echo "norvane-db: all checks passed"
