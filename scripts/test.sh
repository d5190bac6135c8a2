#!/usr/bin/env bash
# Installs the Debian packages that are missing (through sudo when not root), builds everything
# and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
