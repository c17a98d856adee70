#!/usr/bin/env bash
# cmake --install into a fresh prefix: the application folder with the
# program, IMG/ and an empty address book, norvane-db, the icons and a valid
# desktop entry; installing again leaves the address book as it is.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix/with space" >/dev/null || fail "install failed"
root="$prefix/with space"
app=$(dirname "$(find "$root" -type f -path '*/norvane/norvane')")
[ -x "$app/norvane" ] || fail "no program in $app"
[ -x "$root/bin/norvane-db" ] || fail "no norvane-db"
[ "$(stat -c %a "$app/IMG")" = 700 ] || fail "no owner-only photo folder"
"$root/bin/norvane-db" check "$app" | grep -q 'contacts: 0' || fail "no empty address book"
for side in 16 22 24 32 48 64 128 256; do
    icon="$root/share/icons/hicolor/${side}x${side}/apps/norvane.png"
    file "$icon" | grep -q "PNG image data, $side x $side" || fail "no ${side}px icon"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/norvane.svg" || fail "no scalable icon"
entry="$root/share/applications/norvane.desktop"
grep -qxF "Exec=\"$app/norvane\"" "$entry" || fail "the desktop entry does not start $app/norvane"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"

before=$(sha256sum "$app/dbVesk.mdb")
cmake --install "$build" --prefix "$root" >/dev/null || fail "second install failed"
[ "$(sha256sum "$app/dbVesk.mdb")" = "$before" ] || fail "installing again touched the address book"
echo "install: program, folder, address book, icons and desktop entry in place"
