#!/usr/bin/env bash
# Every include of the program's folders points down the layers, never back up:
# data (0) <- store (1) <- marc (2, record exchange beside the store; the store never needs it)
# <- ui (3) <- windows (browser, card, reports, admin, circulation), the printed matter and the demo generator (4) <- app (5).
# A bare "X.h" is the file of that name in the including file's folder or in a folder it links.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rank() {
  case "$1" in
    data|data/*) echo 0 ;; store) echo 1 ;; marc) echo 2 ;; ui) echo 3 ;;
    browser|card|reports|print|admin|circulation|demo) echo 4 ;; app) echo 5 ;; *) echo -1 ;;
  esac
}
declare -A home
while IFS= read -r h; do home[$(basename "$h")]=$(dirname "$h"); done \
  < <(find store marc ui browser card reports print admin circulation demo app -name '*.h')
bad=0
while IFS= read -r file; do
  dir=$(dirname "$file"); mine=$(rank "$dir")
  while IFS= read -r inc; do
    if [[ $inc == data/* ]]; then target=data
    elif [ -f "$dir/$inc" ]; then target=$dir
    elif [ -n "${home[$inc]:-}" ]; then target=${home[$inc]}
    else continue; fi # a generated or system header
    if (( $(rank "$target") > mine )); then
      echo "$file includes $inc from $target/, a layer above it"; bad=1
    fi
  done < <(sed -n 's/^#include "\(.*\)"/\1/p' "$file")
done < <(find data store marc ui browser card reports print admin circulation demo app -name '*.h' -o -name '*.cpp')
exit $bad
