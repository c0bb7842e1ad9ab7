#!/usr/bin/env bash
# Sets up (as scripts/setup.sh), then runs the whole test suite through CTest inside a
# private D-Bus session with an unlocked gnome-keyring, on Qt's offscreen platform.
#   scripts/test.sh [ctest arguments]               the normal build in build/
#   scripts/test.sh --sanitize [ctest arguments]    AddressSanitizer, UndefinedBehaviorSanitizer
#                                                   and LeakSanitizer, in build-sanitize/
#   scripts/test.sh --tsan [ctest arguments]        ThreadSanitizer over the tests whose work
#                                                   crosses threads (label "threads"), in build-tsan/
# Every mode first checks that the C++ sources are formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

sanitize=0
tsan=0
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=1
  shift
elif [ "${1:-}" = "--tsan" ]; then
  tsan=1
  shift
fi

if [ $sanitize -eq 1 ]; then
  # A build directory of its own; the benchmarks are left out, they measure nothing here.
  export TELVORA_BUILD_DIR=${TELVORA_SANITIZE_BUILD_DIR:-build-sanitize}
  export TELVORA_CMAKE_ARGS="-DTELVORA_ASAN=ON -DTELVORA_BENCHMARKS=OFF ${TELVORA_CMAKE_ARGS:-}"
  # Any finding fails its test. Leaks inside third-party code (scripts/lsan.supp) are not ours.
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
  # The real engine is Python and the same in both passes: it runs once, in the normal one.
  echo "The real-engine tests (label real-engine) run in the normal pass only."
  set -- -LE real-engine "$@"
fi

if [ $tsan -eq 1 ]; then
  # Only the libraries below the session and the tests that cross threads are built.
  export TELVORA_BUILD_DIR=${TELVORA_TSAN_BUILD_DIR:-build-tsan}
  export TELVORA_CMAKE_ARGS="-DTELVORA_TSAN=ON -DTELVORA_BENCHMARKS=OFF ${TELVORA_CMAKE_ARGS:-}"
  export TELVORA_BUILD_TARGETS="OffThreadTests SampleDecoderTests AudioSamplesTests TranscriptionTests"
  # Any race fails its test. Qt's libraries are not instrumented: what they allocate and free
  # is left out; the hand-overs of our own off-thread work are marked for it in the code.
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1"
  set -- --label-regex '^threads$' "$@"
fi

TELVORA_CMAKE_ARGS="-DTELVORA_WERROR=ON ${TELVORA_CMAKE_ARGS:-}" scripts/setup.sh

# Any difference from .clang-format fails the run, before a single test.
find TelvoraCore Telvora tests bench tools -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run -Werror

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
