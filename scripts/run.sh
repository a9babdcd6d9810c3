#!/usr/bin/env bash
# Builds Quillmark and starts it on the database of the alias QUILLMARK (created on first run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/src/app/quillmark "$@"
