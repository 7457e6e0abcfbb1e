#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz (every tests/fuzz/fuzz_*.cpp) with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz/, then runs each for a time
# budget on a corpus seeded from the shipped files and tests/fuzz/corpus/<name>/.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
#
# FUZZ_PARALLEL=2 runs two targets at a time. tests/fuzz/lsan.supp lists the leaks that are
# not the program's. Inputs that crash, leak or time out are written
# to build-fuzz/findings/<target>/; each one found must become a regular test of the suite.
# The run ends with a summary of executions, coverage and findings per target.
#
# Inputs grow to FUZZ_MAX_LEN bytes (1 MB by default): the faults of large inputs (archives
# whose parts unpack to gigabytes, deeply nested XML, huge tables) need room to show.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
parallel=${FUZZ_PARALLEL:-1}
build=build-fuzz

# clang and its libFuzzer runtime are needed only here, not to build or test the program.
if ! command -v clang++ >/dev/null 2>&1 || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "ok installed"; then
    bash scripts/setup.sh >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in tests/fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
    -DOZMID_BUILD_BENCH=OFF -DOZMID_BUILD_FUZZERS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target reference_data "${targets[@]}"

seed() {
    local name=$1 corpus=$2
    if [ -d "tests/fuzz/corpus/$name" ]; then
        cp -n tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    fi
    case "$name" in
        specification)
            cp -n models/*.json tests/fn/data/fixtures/full-model.json \
                tests/fn/model/fixtures/*.json "$corpus"/ ;;
        cache)
            cp -n "$build/bin/referenceData.dat" "$corpus"/ ;;
        archive)
            cp -n tests/ut/workbook/fixtures/*.xlsx tests/ut/workbook/fixtures/*.ods "$corpus"/ ;;
    esac
}

run() {
    local target=$1 name=${1#fuzz_}
    local corpus="$build/corpus/$name" findings="$build/findings/$target" log="$build/logs/$target.log"
    mkdir -p "$corpus" "$findings" "$build/logs"
    seed "$name" "$corpus"
    # GLib is built without frame pointers, so the fast unwinder stops at g_malloc and cannot tell
    # libgsf's leaks from the program's; the slow one (about seven times slower) can.
    local asan=detect_leaks=1
    [ "$target" = fuzz_workbook ] && asan+=:fast_unwind_on_malloc=0
    # An archive is refused or read within 1 GB; the other harnesses get the sanitizers' room.
    local rss=2048
    [ "$target" = fuzz_archive ] && rss=1024
    ASAN_OPTIONS=${ASAN_OPTIONS:-$asan} LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp \
        UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/bin/$target" "$corpus" -max_total_time="$seconds" -timeout=30 -rss_limit_mb="$rss" \
        -max_len="${FUZZ_MAX_LEN:-1048576}" \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || true
}

pids=()
for target in "${targets[@]}"; do
    run "$target" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$parallel" ]; then
        wait "${pids[0]}"
        pids=("${pids[@]:1}")
    fi
done
wait

status=0
printf '%-22s %8s %12s %10s %9s\n' target seconds executions coverage findings
for target in "${targets[@]}"; do
    log="$build/logs/$target.log"
    executions=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}' | tail -1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | awk '{print $2}' | tail -1)
    findings=$(find "$build/findings/$target" -type f | wc -l)
    printf '%-22s %8s %12s %10s %9s\n' "$target" "$seconds" "${executions:--}" "${coverage:--}" "$findings"
    if [ "$findings" -gt 0 ]; then
        status=1
    fi
done
exit $status
