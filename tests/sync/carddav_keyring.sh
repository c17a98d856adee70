#!/usr/bin/env bash
# The password in the desktop's keyring: a D-Bus session of its own with
# GNOME Keyring unlocked; the account is set with the password typed once,
# and a sync then needs nobody to type it. Outside such a session the
# account still works, and says the password could not be kept.
set -euo pipefail
tool=$1
server=keyring
. "$(dirname "$0")/test_helpers.sh"
start_radicale pw
make_address_book "$base/ann/contacts/" pw Friends
"$tool" create "$dir/book" >/dev/null
printf 'BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Kept Here\r\nEND:VCARD\r\n' > "$dir/one.vcf"
"$tool" import "$dir/book" "$dir/one.vcf" >/dev/null 2>&1
export tool dir base
mkdir -p "$dir/home" "$dir/run" && chmod 700 "$dir/run"
in_session() {
    HOME=$dir/home XDG_DATA_HOME=$dir/home/share XDG_RUNTIME_DIR=$dir/run \
        dbus-run-session -- bash -c 'printf x | gnome-keyring-daemon --unlock --components=secrets >/dev/null; '"$1" \
        2> >(grep -v 'fd limit' >&2)
}
out=$(in_session 'printf "pw\n" | "$tool" account "$dir/book" --url "$base" --user ann 2>&1') ||
    fail "the account in a session: $out"
[[ $out == *"found the address book \"Friends\""* && $out != *"could not be kept"* ]] || fail "the account said: $out"
out=$(in_session '"$tool" sync "$dir/book" </dev/null 2>&1') || fail "a sync from the keyring: $out"
[[ $out == *"pushed 1 new"* ]] || fail "a sync from the keyring said: $out"
if sql "SELECT VALUE FROM tblSetting;" | grep -qx pw; then fail "the password is in the book"; fi

# No session at all: the account is kept, the password not, and a sync asks
# for it (the card it pushed before is found again by its UID, not doubled).
"$tool" account "$dir/book" --remove >/dev/null
out=$(printf 'pw\n' | env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY "$tool" account "$dir/book" --url "$base" --user ann 2>&1) ||
    fail "the account without a keyring: $out"
[[ $out == *"the password could not be kept in the desktop's keyring"* ]] || fail "without a keyring it said: $out"
out=$(printf 'pw\n' | env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY "$tool" sync "$dir/book" 2>&1) || fail "a sync typing the password: $out"
[[ $out == *"pulled 0 new, 1 changed, 0 removed; pushed 0 new, 0 changed, 0 removed"* ]] ||
    fail "a sync typing the password said: $out"
echo "carddav keyring: all checks passed"
