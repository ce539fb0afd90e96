#!/usr/bin/env bash
# The console's folders depend on each other in one direction only: link at the bottom, then
# log, the decoder and the windows above. A folder that includes a header of a folder that
# includes one of its own makes a loop, which tsort reports.
set -euo pipefail
cd "$1"
folders="app benchtest commands decode flags health link log plot session ui"
edges=$(
    for from in $folders; do
        grep -rhoE '^#include "[a-z_]+/' --include='*.cpp' --include='*.h' "$from" |
            sed -E 's/^#include "([a-z_]+)\//\1/' | sort -u |
            while read -r to; do
                if [[ "$to" != "$from" && " $folders " == *" $to "* ]]; then
                    echo "$from $to"
                fi
            done
    done
)
echo "$edges"
if ! tsort <<<"$edges" >/dev/null; then
    echo "the folders include each other in a loop" >&2
    exit 1
fi
