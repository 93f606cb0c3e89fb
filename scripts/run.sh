#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release --target qzone-album-downloader
exec ./build/release/app/qzone-album-downloader "$@"
