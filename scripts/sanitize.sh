#!/usr/bin/env bash
# Builds Ozmid with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole test
# suite under them, with the compiler given (gcc by default):
#
#   scripts/sanitize.sh [--compiler gcc|clang] [--thread]
#
# The build goes to build-asan-<compiler>/. Any sanitizer report fails the test that caused it.
# Leak detection is off: the toolkit's web engine and font libraries keep caches for the life of
# the process, which LeakSanitizer would report at every exit.
#
# With --thread it builds with ThreadSanitizer instead (build-tsan-<compiler>/) and runs what
# works on several threads: the model and runner tests, and ozmid-batch on the shipped data and
# on data with a disease without reported outcomes (scripts/mixed-data.sh) at 1 to 4 threads,
# seeds 0 and 7. Every report is counted; the script fails when there is any, and the reports
# are in build-tsan-<compiler>/tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=gcc
thread=false
while [ $# -gt 0 ]; do
    case "$1" in
        --compiler) compiler=$2; shift 2 ;;
        --compiler=*) compiler=${1#--compiler=}; shift ;;
        --thread) thread=true; shift ;;
        *) echo "usage: $0 [--compiler gcc|clang] [--thread]" >&2; exit 2 ;;
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

if [ "$thread" = true ]; then
    build=build-tsan-$compiler
    flags="-fsanitize=thread -fno-omit-frame-pointer"
    CC=$cc CXX=$cxx cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DOZMID_BUILD_BENCH=OFF -DOZMID_BUILD_FUZZERS=OFF >/dev/null
    cmake --build "$build" -j"$(nproc)" --target test_fn_model test_fn_run ozmid-batch ozmid-refdata reference_data staged_models
    reports=$build/tsan
    rm -rf "$reports"
    mkdir -p "$reports"
    export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 log_path=$reports/report"
    for tests in test_fn_model test_fn_run; do
        "$build/bin/$tests" --gtest_brief=1 || echo "$tests failed" >&2
    done
    data=$(mktemp -d)
    trap 'rm -rf "$data"' EXIT
    bash scripts/mixed-data.sh "$PWD/$build/bin" "$data"
    for set in shipped mixed; do
        for seed in 0 7; do
            for threads in 1 2 3 4; do
                "$build/bin/ozmid-batch" --countries all --diseases all -s 300 -t 0.03 -r "$seed" \
                    --threads "$threads" --data-folder "$data/$set" -o "$data/out.json" 2>/dev/null \
                    || echo "ozmid-batch failed: $set, seed $seed, $threads threads" >&2
            done
        done
    done
    count=$(cat "$reports"/report.* 2>/dev/null | grep -c '^WARNING: ThreadSanitizer' || true)
    echo "ThreadSanitizer reports: $count (in $reports/)"
    [ "$count" -eq 0 ]
    exit
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
