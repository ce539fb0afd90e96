#!/usr/bin/env bash
# A manual page names exactly the long options (and, for tresvik-cli, the commands) that the
# program's --help names, so that neither drifts from the other.
#   tests/package/man_page_drift_test.sh PROGRAM PAGE.1 [PROGRAM PAGE.1 ...]
set -euo pipefail

status=0
while (($# >= 2)); do
    program=$1 page=$2
    shift 2
    name=$(basename "$program")
    help=$("$program" --help)
    # Troff writes a hyphen in an option as \-; examples may quote other programs' options.
    text=$(sed -e '/^\.SH EXAMPLES/,$d' -e 's/\\-/-/g' "$page")
    help_words=$(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
    page_words=$(grep -oE -- '--[a-z][a-z-]*' <<<"$text" | sort -u)
    if [[ "$name" == tresvik-cli ]]; then
        help_words+=$'\n'$(grep -oE "^  $name [a-z]+" <<<"$help" | awk '{print $2}' | sort -u)
        page_words+=$'\n'$(grep -oE "^\.B $name [a-z]+" <<<"$text" | awk '{print $3}' | sort -u)
    fi
    if ! difference=$(diff <(sort -u <<<"$help_words") <(sort -u <<<"$page_words")); then
        echo "$name: --help (<) and $(basename "$page") (>) differ:" >&2
        echo "$difference" >&2
        status=1
    fi
done
exit $status
