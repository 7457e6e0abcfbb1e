#!/usr/bin/env bash
# Checks that every C++ source follows .clang-format; lists the files that do not.
set -euo pipefail
cd "$(dirname "$0")/.."
failing=()
while IFS= read -r file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || failing+=("$file")
done < <(git ls-files '*.cpp' '*.h' ':!interface/*')
if [ ${#failing[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format says (clang-format -i FILE):" >&2
    printf '  %s\n' "${failing[@]}" >&2
    exit 1
fi
echo "Formatting: every C++ source follows .clang-format."
