#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset release
cmake --build --preset release
ctest --preset release
