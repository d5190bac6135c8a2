#!/usr/bin/env bash
# Configures and builds into build/: everything, or only the targets named.
#   scripts/build.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNK_WERROR=ON
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
