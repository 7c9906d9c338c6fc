#!/usr/bin/env bash
# Checks that the project's own includes ("folder/File.h") point down the layers and break none
# of the pairs below; <...> includes are not looked at. Change the tables, not the code.
#   scripts/check-layers.sh              one line per offending include and exit 1, else exit 0
#   scripts/check-layers.sh --self-test  plants forbidden includes in a scratch tree
set -euo pipefail
cd "$(dirname "$0")/.."

# Folder, layer. A file belongs to the longest folder that holds it and may include from its own
# layer and those below.
LAYERS='
src/platform    0
src/serial      1
src/unit        2
src/datasets    2
src/operations  3
src/mainwindow  3
src/settings    3
src/parfiles    3
src/layout      3
src/qt          4
sim             4
src/app         5
src/cli         5
tests           6
tests/support   6
bench           6
'
# Forbidden even where the layers allow it: from, to (a pattern; * is any other folder), why.
FORBIDDEN='
src/operations  src/mainwindow  operations reach the window through operations/OperationHost.h
src/unit        src/datasets    data sets build on the unit, not the other way round
sim             *               the simulated unit includes only sim/ and the standard library
'
# The build's include folders: "folder/File.h" is under the first of them that puts it in a
# folder of LAYERS; a name under none of them ("File.h") is beside the including file.
INCLUDE_ROOTS='src . tests'

declare -A layer=()
while read -r folder n; do [ -n "$folder" ] && layer[$folder]=$n; done <<<"$LAYERS"
forbid_from=() forbid_to=() forbid_why=()
while read -r from to why; do
    [ -n "$from" ] && forbid_from+=("$from") && forbid_to+=("$to") && forbid_why+=("$why")
done <<<"$FORBIDDEN"

# REPLY: the table folder that holds path $1, or nothing.
folder_of() {
    local f
    REPLY=""
    for f in "${!layer[@]}"; do
        [[ $1 == "$f"/* && ${#f} -gt ${#REPLY} ]] && REPLY=$f
    done
    return 0
}

# REPLY: the table folder of include $1, under the first root that puts it in one; nothing for
# a header beside the includer. Existence is not asked, so a header not written yet counts.
folder_of_include() {
    local root path
    for root in $INCLUDE_ROOTS; do
        path=${root#.}
        folder_of "${path:+$path/}$1"
        [ -n "$REPLY" ] && return
    done
    return 0
}

self_test() {
    local script=scripts/${0##*/} out expected
    tmp=$(mktemp -d)  # global: the exit trap still needs it
    trap 'rm -rf "$tmp"' EXIT
    mkdir "$tmp/scripts" && cp "$script" "$tmp/scripts/"
    plant() { mkdir -p "$tmp/${1%/*}"; printf '%s\n' "${@:2}" >"$tmp/$1"; }
    # Allowed: down, same layer, peers, beside the includer, <...> and commented out.
    plant src/layout/L.h '#include "mainwindow/W.h"' '#include "platform/P.h"'
    plant src/qt/Q.h '#include "sim/S.h"' '#include <mainwindow/W.h>' '// #include "app/A.h"'
    plant tests/sim/T.cpp '#include "Local.h"' '#include "support/F.h"' '#include "cli/C.h"'
    plant tests/sim/Local.h '#include "sim/S.h"'
    "$tmp/$script" >/dev/null || { echo "self-test: an allowed tree failed" >&2; return 1; }
    plant src/operations/O.cpp '#include <vector>' '#include "mainwindow/W.h"'
    plant src/unit/U.h '#include "datasets/D.h"'
    plant src/serial/S.cpp ' #  include "qt/Q.h"'
    plant sim/S.cpp '#include "sim/S.h"' '#include "serial/Frames.h"'
    plant src/cli/C.cpp '#include "support/F.h"'
    plant src/newfolder/N.h
    if out=$("$tmp/$script"); then echo "self-test: planted includes passed" >&2; return 1; fi
    expected='sim/S.cpp:2 src/cli/C.cpp:1 src/newfolder/N.h src/operations/O.cpp:2'
    expected+=' src/serial/S.cpp:1 src/unit/U.h:1'
    out=$(awk -F': ' '{print $1}' <<<"$out" | sort | xargs)
    [ "$out" = "$expected" ] || { echo "self-test: found $out; expected $expected" >&2; return 1; }
    echo "check-layers self-test passed"
}
if [ "${1:-}" = --self-test ]; then self_test; exit; fi

tops=()
for f in "${!layer[@]}"; do [ -d "${f%%/*}" ] && tops+=("${f%%/*}"); done
mapfile -t files < <(find "${tops[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \
    -o -name '*.cc' \) | sort -u)

bad=0 checked=0
for file in "${files[@]}"; do
    folder_of "$file"
    from=$REPLY
    if [ -z "$from" ]; then
        echo "$file: its folder has no layer; add it to LAYERS in scripts/check-layers.sh"
        bad=1
        continue
    fi
    while IFS=: read -r line text; do
        [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
        inc=${BASH_REMATCH[1]}
        checked=$((checked + 1))
        folder_of_include "$inc"
        to=$REPLY
        [ -z "$to" ] || [ "$to" = "$from" ] && continue
        if ((layer[$to] > layer[$from])); then
            echo "$file:$line: \"$inc\": $from (layer ${layer[$from]}) includes from $to" \
                "(layer ${layer[$to]}); includes may only point down"
            bad=1
        fi
        for i in "${!forbid_from[@]}"; do
            # shellcheck disable=SC2053  # the right side is a pattern
            if [ "$from" = "${forbid_from[$i]}" ] && [[ $to == ${forbid_to[$i]} ]]; then
                echo "$file:$line: \"$inc\": $from must not include $to; ${forbid_why[$i]}"
                bad=1
            fi
        done
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done
[ "$bad" = 0 ] || exit 1
echo "check-layers: ${#files[@]} files, $checked project includes, all follow the layers"
