#!/usr/bin/env bash
# 100,000 cards in one file, one in every 10,000 broken: the others land,
# each broken one is named by its file and line, and a second import of the
# same file adds nothing. The export then holds every contact once, and a
# file refused whole is not reported as success.
set -euo pipefail
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$tool" create "$dir/book" >/dev/null
awk 'BEGIN {
    for (i = 1; i <= 100000; i++) {
        printf "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person %d\r\nTEL:0770 %06d\r\n", i, i
        if (i % 10000 == 0) printf "NOTE;ENCODING=QUOTED-PRINTABLE:bad =Z1\r\n"
        printf "EMAIL:p%d@example.org\r\nEND:VCARD\r\n", i
    }
}' > "$dir/cards.vcf"
out=$("$tool" import "$dir/book" "$dir/cards.vcf" 2>"$dir/err")
[ "$out" = "imported 99990, updated 0, skipped 10" ] || { echo "FAIL: first import said: $out"; exit 1; }
# Card i starts on line 6(i-1)+1 before the first broken one; each broken card
# adds a line, so the 10,000k-th card's NOTE is on line 6(i-1)+(k-1)+5.
expected=$(for k in $(seq 1 10); do
    i=$((k * 10000))
    echo "$dir/cards.vcf:$((6 * (i - 1) + k - 1 + 5)): a broken quoted-printable value in NOTE"
done)
[ "$(grep 'cards.vcf:' "$dir/err")" = "$expected" ] || { echo "FAIL: the refused cards were reported as:"; head -3 "$dir/err"; exit 1; }
out=$("$tool" import "$dir/book" "$dir/cards.vcf" 2>/dev/null)
[ "$out" = "imported 0, updated 0, skipped 100000" ] || { echo "FAIL: second import said: $out"; exit 1; }
cards=$("$tool" export "$dir/book" | grep -c '^FN:Person ')
[ "$cards" = 99990 ] || { echo "FAIL: the export holds $cards cards"; exit 1; }
# A file refused whole is an error a script can see; the other file still lands.
printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Late Person\r\nEND:VCARD\r\n' > "$dir/late.vcf"
printf 'shopping list\n' > "$dir/notes.txt"
status=0
out=$("$tool" import "$dir/book" "$dir/late.vcf" "$dir/notes.txt" 2>"$dir/err") || status=$?
[ "$status" = 3 ] || { echo "FAIL: a file refused whole exited $status"; exit 1; }
[ "$out" = "imported 1, updated 0, skipped 0" ] || { echo "FAIL: with a refused file: $out"; exit 1; }
grep -q "notes.txt:1: neither a vCard nor a CSV file" "$dir/err" || { echo "FAIL: the refused file was not named"; exit 1; }
echo "100,000 cards: all checks passed"
