#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, bottom to top:
#   platform/  <-  form/  <-  dialing/ accounting/ automation/ desktop/  <-  app/  <-  ui/ tools/
# A file may include its own layer and the layers below it.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
    case "$1" in
        platform) echo 0 ;;
        form) echo 1 ;;
        dialing | accounting | automation | desktop) echo 2 ;;
        app) echo 3 ;;
        ui | tools) echo 4 ;;
        *) echo -1 ;;
    esac
}

status=0
while IFS= read -r file; do
    own=${file#src/}
    own=${own%%/*}
    [ "$own" = "${file#src/}" ] && continue  # src/main.cpp wires everything
    own_rank=$(rank "$own")
    if [ "$own_rank" -lt 0 ]; then
        echo "check_layers: $file is in a folder with no layer ($own)"
        status=1
        continue
    fi
    while IFS=: read -r line folder; do
        their_rank=$(rank "$folder")
        if [ "$their_rank" -gt "$own_rank" ]; then
            echo "check_layers: $file:$line includes $folder/ (above $own/)"
            status=1
        fi
    done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$file" |
        sed -E 's/^([0-9]+):.*"([a-z_]+)\/$/\1:\2/')
done < <(git ls-files 'src/*.cpp' 'src/*.h'; git ls-files --others --exclude-standard 'src/*.cpp' 'src/*.h')

[ $status -eq 0 ] && echo "check_layers: every include points down the layers"
exit $status
