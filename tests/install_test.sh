#!/usr/bin/env bash
# Installing into a temporary folder, twice, then uninstalling: the menu entry is valid, a
# catalogue survives both, and only the catalogue's files are left; an unwritable folder changes nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_DATA_HOME=$tmp/home/.local/share
folder="$tmp/opt/Моя библиотека"
entry=$XDG_DATA_HOME/applications/library-catalogue.desktop
check() { "$@" || { echo "FAILED: $*" >&2; exit 1; }; }

LIBRARY_PREBUILT=$build bash "$root/scripts/install" "$folder" >/dev/null
check desktop-file-validate "$entry"
check test -x "$folder/library"
check test -d "$folder/files"
check test -f "$XDG_DATA_HOME/icons/hicolor/scalable/apps/library-catalogue.svg"
check grep -q "^Exec=\"$folder/library\"$" "$entry"

# The librarian's catalogue, settings, backup and an electronic version.
printf 'catalogue' > "$folder/library.sdb"
printf '[General]\r\nFontSize=12\r\n' > "$folder/library.ini"
mkdir -p "$folder/Backup" "$folder/files/1"
printf 'copy' > "$folder/Backup/library.sdb"
printf 'version' > "$folder/files/1/5.pdf"
LIBRARY_PREBUILT=$build bash "$root/scripts/install" "$folder" >/dev/null
check test "$(cat "$folder/library.sdb")" = catalogue
check test "$(cat "$folder/files/1/5.pdf")" = version

said=$(bash "$root/scripts/uninstall" "$folder")
check grep -q "library.sdb" <<<"$said"
left=$(cd "$folder" && find . | sort | tr '\n' ' ')
check test "$left" = ". ./Backup ./Backup/library.sdb ./files ./files/1 ./files/1/5.pdf ./library.ini ./library.sdb "
check test ! -e "$entry"
check test -z "$(find "$XDG_DATA_HOME" -type f)"

# A folder below a plain file cannot be made: a clear message, nothing written anywhere.
printf 'x' > "$tmp/plain"
if LIBRARY_PREBUILT=$build bash "$root/scripts/install" "$tmp/plain/library" 2>"$tmp/err"; then
  echo "FAILED: an unwritable folder was accepted" >&2; exit 1
fi
check grep -q "недоступна для записи" "$tmp/err"
check test ! -e "$entry"
echo "1 passed, 0 failed"
