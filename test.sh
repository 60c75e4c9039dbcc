#!/usr/bin/env bash
# Installs what is missing, builds everything (Release) and runs the whole suite with CTest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh packages-build.txt packages-test.txt
scripts/configure.sh
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
