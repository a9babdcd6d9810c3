#!/usr/bin/env bash
# Installs the Debian packages Quillmark needs when they are missing (as root), or names them.
set -euo pipefail
# poppler-utils: pdftotext and pdfinfo read back the PDF exports in the tests.
packages=(qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev fonts-liberation2 cmake g++ pkg-config poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "Quillmark needs these Debian packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
