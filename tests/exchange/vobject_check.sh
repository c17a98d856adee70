#!/usr/bin/env bash
# Cards written by python3-vobject import with the values it meant; Norvane's
# vCard 4 and 3 exports of them parse with vobject and hold the same values.
set -euo pipefail
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python=/usr/bin/python3
"$tool" create "$dir/book" >/dev/null
"$python" "$here/vobject_check.py" make "$dir/made.vcf" "$dir/expected.json"
out=$("$tool" import "$dir/book" "$dir/made.vcf")
[ "$out" = "imported 3, updated 0, skipped 0" ] || { echo "FAIL: import said: $out"; exit 1; }
for format in vcard4 vcard3; do
    "$tool" export "$dir/book" --format $format --output "$dir/$format.vcf"
    "$python" "$here/vobject_check.py" read "$dir/$format.vcf" "$dir/expected.json"
done
