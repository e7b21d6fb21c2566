#!/usr/bin/env bash
# Checks that every tracked C++ file follows .clang-format.
#
#   bash tools/check_format.sh         list the files clang-format would change;
#                                      exit 1 if there are any
#   bash tools/check_format.sh --fix   reformat those files in place
#
# Covers the *.cpp and *.hpp files that git tracks under src/, tests/, tools/
# and bench/. Generated files (a "generated" or "DO NOT EDIT" mark in their
# first lines) are skipped. CLANG_FORMAT picks another clang-format binary.
set -euo pipefail

say() { printf 'molvane: %s\n' "$*" >&2; }

fix=0
case "${1:-}" in
    "") ;;
    --fix) fix=1 ;;
    *)
        echo "usage: bash tools/check_format.sh [--fix]" >&2
        exit 2
        ;;
esac

cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.."

clang_format=${CLANG_FORMAT:-clang-format}
command -v "$clang_format" >/dev/null 2>&1 || {
    say "error: $clang_format not found (apt-get install clang-format)"
    exit 1
}

command -v git >/dev/null 2>&1 || {
    say "error: git not found (apt-get install git)"
    exit 1
}
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || {
    say "error: not a git checkout: the files to check are the ones git tracks"
    exit 1
}
"$clang_format" --style=file --dump-config >/dev/null || {
    say "error: $clang_format cannot read .clang-format"
    exit 1
}

is_generated() {
    head -n 10 -- "$1" | grep -qiE '@generated|generated (by|from|with)|do not edit'
}

files=()
while IFS= read -r -d '' file; do
    [[ -f "$file" ]] || continue  # deleted in the work tree, not yet in git
    is_generated "$file" && continue
    files+=("$file")
done < <(git ls-files -z -- 'src/*.cpp' 'src/*.hpp' 'tests/*.cpp' 'tests/*.hpp' \
    'tools/*.cpp' 'tools/*.hpp' 'bench/*.cpp' 'bench/*.hpp')

if [[ ${#files[@]} -eq 0 ]]; then
    say "no C++ files to check"
    exit 0
fi

if [[ $fix -eq 1 ]]; then
    "$clang_format" -i --style=file -- "${files[@]}"
    say "formatted ${#files[@]} file(s)"
    exit 0
fi

bad=()
for file in "${files[@]}"; do
    if ! "$clang_format" --dry-run --Werror --style=file -- "$file" >/dev/null 2>&1; then
        bad+=("$file")
    fi
done

if [[ ${#bad[@]} -gt 0 ]]; then
    say "${#bad[@]} of ${#files[@]} file(s) are not formatted:"
    printf '  %s\n' "${bad[@]}" >&2
    say "see the changes with: clang-format --dry-run FILE; fix them all with: bash tools/check_format.sh --fix"
    exit 1
fi
say "${#files[@]} file(s) formatted"
