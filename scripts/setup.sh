#!/usr/bin/env bash
# Installs every dependency, configures and builds Telvora.
#   scripts/setup.sh          set up and build
#   scripts/setup.sh --run    …then start the program (extra arguments go to it)
set -euo pipefail
cd "$(dirname "$0")/.."

run=0
if [ "${1:-}" = "--run" ]; then
  run=1
  shift
fi

mapfile -t packages < <(grep -v -E '^\s*(#|$)' scripts/packages.txt)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The fonts come from the npm registry; no lock file, so no registry address is recorded.
if ! command -v npm >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends nodejs npm
fi
npm install --no-package-lock --no-audit --no-fund --loglevel=error >/dev/null

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths inside the checkout hash the same wherever it is cloned.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi

build_dir=${TELVORA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" ${TELVORA_CMAKE_ARGS:-}
# TELVORA_BUILD_TARGETS, when set, names the only targets to build.
targets=()
for target in ${TELVORA_BUILD_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"

if [ $run -eq 1 ]; then
  exec "$build_dir/bin/telvora" "$@"
fi
