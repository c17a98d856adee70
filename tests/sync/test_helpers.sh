# Helpers the CardDAV tests share, sourced: a temporary folder, servers
# stopped and the folder removed at the end, a free port, waiting for a
# server, and a book's tables read through the sqlcipher command.
dir=$(mktemp -d)
# What a killed run leaves in the temporary folder goes with the test's folder.
export TMPDIR=$dir
# The password commands the tests set are noted in a configuration folder of their own.
export XDG_CONFIG_HOME=$dir/config
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "FAIL${server:+ ($server)}: $*"; exit 1; }
free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_for() { for _ in $(seq 100); do curl -s -o /dev/null "$1" && return 0; sleep 0.1; done; fail "no server at $1"; }
sql() { sql_in "$dir/book" "$1"; }
sql_in() {
    printf "PRAGMA key = '\u00A5\u00B6\u00A2\u00DE\u00BF\u00F0\u00A7';\nPRAGMA cipher_page_size = 4096;\n%s\n" "$2" |
        sqlcipher "$1/dbVesk.mdb"
}
# Radicale on a free port with the user ann and the password $1, over TLS
# with the certificate and key $2 and $3 when given; sets base.
start_radicale() {
    local port scheme=http tls=""; port=$(free_port)
    if [ $# -ge 3 ]; then
        scheme=https
        tls=$(printf 'ssl = True\ncertificate = %s\nkey = %s\n' "$2" "$3")
    fi
    mkdir -p "$dir/radicale"
    printf 'ann:%s\n' "$1" > "$dir/radicale/users"
    printf '[server]\nhosts = 127.0.0.1:%s\n%s\n[auth]\ntype = htpasswd\nhtpasswd_filename = %s\nhtpasswd_encryption = plain\n[storage]\nfilesystem_folder = %s\n[rights]\ntype = owner_only\n' \
        "$port" "$tls" "$dir/radicale/users" "$dir/radicale/data" > "$dir/radicale/config"
    radicale --config "$dir/radicale/config" >"$dir/radicale.log" 2>&1 &
    pids+=($!)
    base=$scheme://127.0.0.1:$port
    for _ in $(seq 100); do curl -sk -o /dev/null "$base/" && return 0; sleep 0.1; done
    fail "no server at $base"
}
# Xandikos on a free port with its default address book; sets base.
start_xandikos() {
    local port; port=$(free_port)
    xandikos -d "$dir/xandikos" --defaults -l 127.0.0.1 -p "$port" >"$dir/xandikos.log" 2>&1 &
    pids+=($!)
    base=http://127.0.0.1:$port
    wait_for "$base/"
}
# Radicale (user ann, password pw, an address book made) or Xandikos, as $1
# says, with an empty address book; sets base and book.
start_server_with_book() {
    if [ "$1" = radicale ]; then
        start_radicale pw
        book=$base/ann/contacts/
        make_address_book "$book" pw Contacts
    else
        start_xandikos
        book=$base/user/contacts/addressbook/
    fi
}
# Makes the address book collection $1 on Radicale as user ann, password $2, named $3.
make_address_book() {
    curl -skf -u "ann:$2" -X MKCOL "$1" --data "<?xml version=\"1.0\"?><d:mkcol xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:set><d:prop><d:resourcetype><d:collection/><c:addressbook/></d:resourcetype><d:displayname>$3</d:displayname></d:prop></d:set></d:mkcol>" >/dev/null ||
        fail "cannot make the address book $1"
}
