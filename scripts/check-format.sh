#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what .clang-format makes of it.
#   check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run -Werror)
[[ "${1:-}" == --fix ]] && mode=(-i)
find app bench model persistence platform sources tests ui -name '*.cpp' -o -name '*.h' |
    sort | xargs clang-format "${mode[@]}"
