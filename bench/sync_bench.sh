#!/usr/bin/env bash
# Sync speed against Radicale on 127.0.0.1, beside Debian's vdirsyncer
# syncing the same collection into a folder of .vcf files, in one run:
#   first pull of N server cards into an empty book (vdirsyncer: into an
#   empty folder), a sync with nothing to do, one change on each side, and
#   the first push of N contacts into an empty collection.
# Usage: bench/sync_bench.sh [NORVANE_DB] [N]   (N: 10000 by default)
set -euo pipefail
tool=$(realpath "${1:-build/tools/norvane-db}")
n=${2:-10000}
server=bench
. "$(dirname "$0")/../tests/sync/test_helpers.sh"
ms() {
    local start end; start=$(date +%s%N)
    "$@" >/dev/null 2>"$dir/last.err" || { cat "$dir/last.err" >&2; fail "$* failed"; }
    end=$(date +%s%N); echo $(((end - start) / 1000000))
}
row() { printf '%-48s %9s %11s %10s %7s\n' "$1" "$n" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"; }
card() { printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-%s\r\nFN:Person %s\r\nN:%s;Person;;;\r\nTEL:0770 %06d\r\nEMAIL:p%s@example.org\r\nEND:VCARD\r\n' "$1" "$1" "$1" "$1" "$1"; }

# The server's cards, written straight into Radicale's storage before it starts.
store=$dir/radicale/data/collection-root/ann
mkdir -p "$store/pulled" "$store/pushed" "$store/vpushed"
for book in pulled pushed vpushed; do
    printf '{"D:displayname": "%s", "tag": "VADDRESSBOOK"}' "$book" > "$store/$book/.Radicale.props"
done
for i in $(seq "$n"); do card "$i" > "$store/pulled/c$i.vcf"; done
start_radicale pw
# Radicale reads every card of a collection once, at its first request, and
# takes minutes for a large one: done here, before anything is timed.
curl -s -m 900 -u ann:pw -X PROPFIND -H 'Depth: 1' "$base/ann/pulled/" >/dev/null

"$tool" create "$dir/book" >/dev/null
"$tool" account "$dir/book" --url "$base/ann/pulled/" --user ann --password-command "echo pw" >/dev/null
mkdir -p "$dir/vdir"
cat > "$dir/vdirsyncer.conf" <<CONF
[general]
status_path = "$dir/vstatus/"
[pair book]
a = "server"
b = "folder"
collections = null
conflict_resolution = "a wins"
[storage server]
type = "carddav"
url = "$base/ann/pulled/"
username = "ann"
password = "pw"
[storage folder]
type = "filesystem"
path = "$dir/vdir/"
fileext = ".vcf"
CONF
vdirsyncer() { command vdirsyncer -c "$dir/vdirsyncer.conf" "$@"; }
vdirsyncer discover < <(yes) >/dev/null 2>&1

printf '%-48s %9s %11s %10s %7s\n' "operation" "N" "Norvane ms" "vdirsyncer" "ratio"
row "first pull of the server's cards" "$(ms "$tool" sync "$dir/book")" "$(ms vdirsyncer sync)"
[ "$(sql 'SELECT count(*) FROM tblYou;')" = "$n" ] || fail "the book holds $(sql 'SELECT count(*) FROM tblYou;') contacts"
row "a sync with nothing to do" "$(ms "$tool" sync "$dir/book")" "$(ms vdirsyncer sync)"
# One change on each side: a card on the server, a contact here (vdirsyncer's folder).
curl -sf -u ann:pw -X PUT -H 'Content-Type: text/vcard' "$base/ann/pulled/c1.vcf" --data-binary "$(card 1 | sed 's/Person 1/Changed One/')" >/dev/null
sql "UPDATE tblYou SET COMPANY = 'Changed Here' WHERE NAME = 'Person 2';"
sed -i 's/^FN:Person 2\r$/FN:Changed Here\r/' "$dir/vdir/"*2.vcf 2>/dev/null || true
row "one change on each side" "$(ms "$tool" sync "$dir/book")" "$(ms vdirsyncer sync)"

# The first push: the same contacts into empty collections.
"$tool" account "$dir/book" --url "$base/ann/pushed/" --user ann --password-command "echo pw" >/dev/null
sed -i "s|$base/ann/pulled/|$base/ann/vpushed/|" "$dir/vdirsyncer.conf"
rm -rf "$dir/vstatus"
vdirsyncer discover < <(yes) >/dev/null 2>&1
row "first push of the book into an empty collection" "$(ms "$tool" sync "$dir/book")" "$(ms vdirsyncer sync)"
