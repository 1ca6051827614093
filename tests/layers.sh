#!/bin/bash
# Checks the layers of src/: each folder includes only folders below it
#   core < platform < ui < app
# (a layer is its folder with every folder inside it: src/ui/main/ is the ui
# layer), and the core includes nothing from Qt but Qt Core and Qt SerialPort.
# Usage: layers.sh SOURCE_DIR QT_HEADERS_DIR
set -u
src="$1/src"
qt="$2"
rank() { case "$1" in core) echo 0 ;; platform) echo 1 ;; ui) echo 2 ;; app) echo 3 ;; *) echo 9 ;; esac; }
sources() { find "$1" -type f \( -name '*.cpp' -o -name '*.h' \) | sort; }
fail=0
checked=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    [ "$(rank "$folder")" = 9 ] && { echo "src/$folder: a folder outside the layers"; fail=1; continue; }
    while IFS=: read -r file line; do
        target=${line#*\"}; target=${target%%/*}
        if [ "$(rank "$target")" -gt "$(rank "$folder")" ]; then
            echo "${file#$1/}: includes $target/, a layer above $folder/"; fail=1
        fi
    done < <(sources "$dir" | xargs -r grep -H '^#include "[a-z]*/')
    checked=$((checked + $(sources "$dir" | wc -l)))
done
while IFS=: read -r file line; do
    header=${line#*<}; header=${header%%>*}
    if [ ! -e "$qt/QtCore/$header" ] && [ ! -e "$qt/QtSerialPort/$header" ]; then
        echo "${file#$1/}: <$header> is neither Qt Core nor Qt SerialPort"; fail=1
    fi
done < <(sources "$src/core" | xargs -r grep -H '^#include <Q')
[ $fail = 0 ] && echo "layers: every include of $checked files points down"
exit $fail
