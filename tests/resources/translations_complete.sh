#!/usr/bin/env bash
# Every translation covers every text of the sources: lupdate runs on a copy of each .ts and
# may find nothing new, nothing unfinished and nothing that the sources no longer have.
# usage: translations_complete.sh LUPDATE SOURCE_DIR
set -euo pipefail
lupdate=$1
root=$(readlink -f "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
shopt -s nullglob
files=("$root"/translations/*.ts)
[ ${#files[@]} -gt 0 ] || { echo "FAIL no translation in $root/translations"; exit 1; }
for ts in "${files[@]}"; do
    copy=$work/$(basename "$ts")
    cp "$ts" "$copy"
    "$lupdate" -locations none "$root/src" -ts "$copy" >"$work/out" 2>&1 || { cat "$work/out"; exit 1; }
    name=$(basename "$ts")
    if grep -q 'type="unfinished"\|type="vanished"\|type="obsolete"' "$copy"; then
        echo "FAIL $name: untranslated or stale texts (run lupdate and translate them):"
        grep -B3 'type="unfinished"\|type="vanished"\|type="obsolete"' "$copy" | grep '<source>' | head -20
        fail=1
    elif ! cmp -s "$ts" "$copy"; then
        echo "FAIL $name is not what lupdate writes; run: lupdate -no-obsolete -locations none src -ts translations/$name"
        diff "$ts" "$copy" | head -20
        fail=1
    else
        echo "ok   $name: $(grep -c '<message>' "$ts") texts, all translated"
    fi
done
exit $fail
