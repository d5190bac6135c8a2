#!/usr/bin/env bash
# Builds the program as a Debian packager would, into build-release/: Release (-O3) with
# dpkg-buildflags' hardening flags (_FORTIFY_SOURCE, stack protector). Warnings are errors here,
# so that a warning that only optimisation or fortification brings out fails our CI, not a
# packager's build.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVORNK_WERROR=ON \
    -DVORNK_BUILD_TESTS=OFF -DVORNK_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags"
cmake --build build-release --parallel "$(nproc)"
