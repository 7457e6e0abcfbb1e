#!/usr/bin/env bash
# Builds Ozmid with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole test
# suite under them, with the compiler given (gcc by default):
#
#   scripts/sanitize.sh [--compiler gcc|clang]
#
# The build goes to build-asan-<compiler>/. Any sanitizer report fails the test that caused it.
# Leak detection is off: the toolkit's web engine and font libraries keep caches for the life of
# the process, which LeakSanitizer would report at every exit.
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=gcc
while [ $# -gt 0 ]; do
    case "$1" in
        --compiler) compiler=$2; shift 2 ;;
        --compiler=*) compiler=${1#--compiler=}; shift ;;
        *) echo "usage: $0 [--compiler gcc|clang]" >&2; exit 2 ;;
    esac
done
case "$compiler" in
    gcc) cc=gcc; cxx=g++ ;;
    clang) cc=clang; cxx=clang++ ;;
    *) echo "unknown compiler $compiler (gcc or clang)" >&2; exit 2 ;;
esac

# The packages of a normal build, and clang when it is the compiler asked for.
bash scripts/setup.sh >/dev/null
if [ "$compiler" = clang ] && ! command -v clang++ >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi

build=build-asan-$compiler
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [ -f interface/package.json ] && [ ! -d interface/node_modules ]; then
    (cd interface && npm ci --no-audit --no-fund --loglevel=error)
fi
CC=$cc CXX=$cxx cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DOZMID_BUILD_BENCH=OFF -DOZMID_BUILD_FUZZERS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

export QTWEBENGINE_DISABLE_SANDBOX=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
