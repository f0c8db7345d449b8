#!/usr/bin/env bash
# The service installer staged in a temporary root: each unit runs its installed program on the
# catalogue with settings of its own, the target answers yaz-client and the web catalogue a
# browser, a catalogue on the server gets the reading account and never the librarian's, and
# removal leaves the catalogue.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
tmp=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
export SERVICE_ROOT=$tmp/root LIBRARY_PREBUILT=$build
check() { "$@" || { echo "FAILED: $*" >&2; cat "$tmp"/*.log >&2 2>/dev/null; exit 1; }; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
web_port=$(free_port)
wait_port() {
  for _ in $(seq 1 100); do
    python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1', $1)))" 2>/dev/null && return
    sleep 0.1
  done
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }

folder="$tmp/Каталог библиотеки"
mkdir -p "$folder"
sqlite3 "$folder/library.sdb" <"$root/resources/schema.sql"
sqlite3 "$folder/library.sdb" "INSERT INTO books (id, inv_num, itemkind_id, author, title, isbn) VALUES (1, 1, 1, 'Пушкин, Александр', 'Евгений Онегин', '5-02-013848-7')"
printf '[Library]\r\nName=Городская библиотека\r\n' >"$folder/library.ini"
Z3950_PORT=$port OPAC_PORT=$web_port bash "$root/scripts/install-opac" "$folder" >/dev/null
unit=$SERVICE_ROOT/etc/systemd/system/library-z3950.service
web_unit=$SERVICE_ROOT/etc/systemd/system/library-opac.service
lib=$SERVICE_ROOT/usr/local/lib/library
check grep -qx "ExecStart=\"$lib/library-z3950\" \"$folder/library-z3950.ini\"" "$unit"
check grep -qx "User=library-z3950" "$unit"
check grep -qx "ProtectSystem=strict" "$unit"
check test "$(stat -c %a "$folder/library-z3950.ini")" = 600
check grep -q "^Port=$port" "$folder/library-z3950.ini"
check grep -qx "ExecStart=\"$lib/library-opac\" \"$folder/library-opac.ini\"" "$web_unit"
check grep -qx "User=library-opac" "$web_unit"
check grep -qx "ProtectSystem=strict" "$web_unit"
check grep -qx "ReadOnlyPaths=\"$folder\"" "$web_unit"
check test "$(stat -c %a "$folder/library-opac.ini")" = 600
check grep -qx $'Listen=127.0.0.1\r' "$folder/library-opac.ini"
check grep -qx $'Proxy=127.0.0.1\r' "$folder/library-opac.ini"

# What the unit starts answers a search on the catalogue beside its settings.
"$lib/library-z3950" "$folder/library-z3950.ini" >"$tmp/server.log" 2>&1 &
pid=$!
wait_port "$port"
out=$(printf 'open tcp:127.0.0.1:%s/marc21\nfind @attr 1=7 5020138487\nshow 1\nquit\n' "$port" | yaz-client 2>&1)
check grep -q "Number of hits: 1," <<<"$out"
check grep -q "Евгений Онегин" <<<"$out"
stop

# So does the web catalogue's: its search page under the library's name, and a search finding the book.
"$lib/library-opac" "$folder/library-opac.ini" >"$tmp/web.log" 2>&1 &
pid=$!
wait_port "$web_port"
check test "$(curl -sS -m 10 -o "$tmp/page" -w '%{http_code}' "http://127.0.0.1:$web_port/")" = 200
check grep -q "Городская библиотека" "$tmp/page"
check test "$(curl -sS -m 10 -o "$tmp/page" -w '%{http_code}' -G --data-urlencode q=Онегин "http://127.0.0.1:$web_port/search")" = 200
check grep -q "Евгений Онегин" "$tmp/page"
stop

# Installed again, the librarian's changes to the settings stay.
printf '[Z3950]\r\nPort=%s\r\nDatabase=fond\r\n' "$port" >"$folder/library-z3950.ini"
printf '[Opac]\r\nPort=%s\r\nFiles=yes\r\n' "$web_port" >"$folder/library-opac.ini"
bash "$root/scripts/install-opac" "$folder" >/dev/null
check grep -q "Database=fond" "$folder/library-z3950.ini"
check grep -q "Files=yes" "$folder/library-opac.ini"

# A catalogue on the server: refused without a reading account, then given that account alone.
server="$tmp/На сервере"
mkdir -p "$server"
printf '[MySQL]\r\nConnect=1\r\nhostname=db.local\r\nusername=librarian\r\npassword=secret\r\ndatabase=library\r\nRequireTLS=1\r\n' >"$server/library.ini"
if bash "$root/scripts/install-opac" "$server" 2>"$tmp/err"; then echo "FAILED: no reading account was accepted" >&2; exit 1; fi
check grep -q "LIBRARY_READER_USER" "$tmp/err"
OPAC_LISTEN='' LIBRARY_READER_USER=reader LIBRARY_READER_PASSWORD=r3ad bash "$root/scripts/install-opac" "$server" >/dev/null
for ini in library-z3950.ini library-opac.ini; do
  settings=$(tr -d '\r' <"$server/$ini")
  for line in Connect=1 hostname=db.local database=library RequireTLS=1 username=reader password=r3ad; do
    check grep -qx "$line" <<<"$settings"
  done
  check test -z "$(grep -e librarian -e secret <<<"$settings")"
done
check grep -qx "Listen=" <<<"$settings"
check test -z "$(grep Proxy= <<<"$settings")"

bash "$root/scripts/install-opac" --remove >/dev/null
check test ! -e "$unit"
check test ! -e "$web_unit"
check test ! -e "$lib/library-z3950"
check test ! -e "$lib/library-opac"
check test -f "$folder/library.sdb"
check test -f "$folder/library-z3950.ini"
check test -f "$folder/library-opac.ini"
echo "1 passed, 0 failed"
