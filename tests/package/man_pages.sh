#!/bin/sh
# The manual pages: man renders them without a warning, and they name every option, environment
# variable and file that README.md names.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v man >/dev/null || { echo "manual pages test skipped: no man on this machine"; exit 77; }
text=$(mktemp)
trap 'rm -f "$text" "$text.err"' EXIT
failures=0
for page in velmor velmorctl; do
    MANWIDTH=1000 man --warnings -E UTF-8 -l "$root/packaging/man/$page.1" >>"$text" 2>"$text.err"
    if [ -s "$text.err" ]; then
        echo "FAIL: man warns about $page.1:"
        cat "$text.err"
        failures=$((failures + 1))
    fi
done
for name in $(grep -oE -- '--[a-z][a-z-]+|\$[A-Z_]{3,}|[A-Za-z_]+\.(ini|log)' "$root/README.md" |
    sort -u); do
    if ! grep -qF -- "${name#\$}" "$text"; then
        echo "FAIL: README.md names $name, the manual pages do not"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "manual pages: rendered cleanly, README's names all there"
exit "$failures"
