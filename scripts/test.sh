#!/usr/bin/env bash
# Sets up (as scripts/setup.sh), then runs the whole test suite through CTest inside a
# private D-Bus session with an unlocked gnome-keyring, on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

TELVORA_CMAKE_ARGS="-DTELVORA_WERROR=ON ${TELVORA_CMAKE_ARGS:-}" scripts/setup.sh

sandbox=$(mktemp -d /tmp/telvora-tests.XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/home" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"

# The keyring creates its login collection under HOME; settings go there too.
export HOME="$sandbox/home"
export XDG_RUNTIME_DIR="$sandbox/runtime"
export XDG_CONFIG_HOME="$sandbox/home/.config"
export XDG_DATA_HOME="$sandbox/home/.local/share"
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY

build_dir=${TELVORA_BUILD_DIR:-build}
exec dbus-run-session -- sh -c '
  echo -n telvora | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  exec ctest --test-dir "$0" --output-on-failure --parallel "$(nproc)" --timeout 600 "$@"
' "$root/$build_dir" "$@"
