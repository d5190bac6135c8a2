#!/usr/bin/env bash
# Installs the Debian packages that are missing (through sudo when not root), builds everything
# (the default type, and Release as a packager builds it) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/build-release.sh
cd build
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
