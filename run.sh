#!/usr/bin/env bash
# Installs what is missing, builds Brevanta (Release) and opens it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh packages-build.txt
scripts/configure.sh
cmake --build build --target brevanta brevanta-cli
exec build/bin/brevanta "$@"
