#!/usr/bin/env bash
# Builds the Debian package telvora_<version>_amd64.deb with CPack from the program built
# in build/ (or TELVORA_BUILD_DIR), into that folder or the folder given as argument.
#   scripts/package.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${TELVORA_BUILD_DIR:-build}
output=$(realpath -m "${1:-$build_dir}")
# Installs what is missing (dpkg-dev computes the dependencies) and builds only the program.
TELVORA_BUILD_TARGETS=telvora scripts/setup.sh
mkdir -p "$output"
cpack --config "$build_dir/CPackConfig.cmake" -B "$output"
rm -rf "$output/_CPack_Packages"
ls "$output"/telvora_*_amd64.deb
