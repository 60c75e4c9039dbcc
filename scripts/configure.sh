#!/usr/bin/env bash
# Configures build/ (Release); re-running picks up packages installed since.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
