#!/usr/bin/env bash
# Builds the project with a sanitizer, in a build folder of its own, and runs tests there.
#   scripts/sanitize.sh address   AddressSanitizer and UndefinedBehaviorSanitizer, every test
#   scripts/sanitize.sh thread    ThreadSanitizer, the tests of the threaded parts: the message
#                                 layer, the engine's sessions, the add-files thread and the run
# Every finding fails the test it happens in. What is suppressed, and why, is in the files under
# tests/sanitizers/. SANITIZE_BUILD_DIR sets the folder (build-asan or build-tsan); JOBS the
# parallel build and test jobs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-}
jobs=${JOBS:-$(nproc)}
supp=$root/tests/sanitizers
case $kind in
address)
    dir=${SANITIZE_BUILD_DIR:-$root/build-asan}
    targets=(all)
    # Every test but the making of the Debian package, which tests packaging, not code.
    tests=(-LE package)
    # intercept_tls_get_addr=0: the leak checker of this compiler's runtime crashes now and then
    # ("Tracer caught signal 11") while it walks the thread-local blocks of libraries loaded at
    # run time; it then no longer takes those blocks as roots.
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0:intercept_tls_get_addr=0"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp"
    ;;
thread)
    dir=${SANITIZE_BUILD_DIR:-$root/build-tsan}
    # The test programs of the threaded parts, and what they load at run time. Only these are
    # built: the tests of the other programs of these areas stay unbuilt and unlabelled, and the
    # labels pick the built ones.
    targets=(foundation_tests encoder_tests mainwindow_tests run_tests hardening_run_tests)
    tests=(-L '^(foundation|encoder|mainwindow|run|hardening)$' -LE desktop)
    test_options="halt_on_error=1:second_deadlock_stack=1:history_size=4:suppressions=$supp/tsan.supp"
    ;;
*)
    echo "usage: $0 address|thread" >&2
    exit 2
    ;;
esac

bash "$root/scripts/install-deps.sh"
mkdir -p "$dir"
test_env=()
build_env=()
# The generators the build runs (the skin, the icons) are not under test here.
if [ "$kind" = thread ]; then
    build_env+=("TSAN_OPTIONS=report_bugs=0")
    test_env+=("TSAN_OPTIONS=$test_options")
fi
if [ "$kind" = address ]; then
    build_env+=("ASAN_OPTIONS=detect_leaks=0")
    # In the tests, libraries loaded at run time stay loaded until the leak check at exit (see
    # the file); the preloaded library comes before the sanitizer's runtime, which is told that
    # this is fine.
    cc -shared -fPIC -O2 -o "$dir/keep_libraries.so" "$supp/keep_libraries.c"
    test_env+=("LD_PRELOAD=$dir/keep_libraries.so")
    export ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMAVO_SANITIZE="$kind" \
    -DMAVO_WERROR=OFF >/dev/null
start=$(date +%s)
env "${build_env[@]}" cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
built=$(date +%s)
cd "$dir"
# A failed test runs once more: the runtime's leak checker can still crash on its own at a
# program's exit. A retry never hides a finding: any sanitizer report in the output fails the run.
status=0
env "${test_env[@]}" ctest --output-on-failure --repeat until-pass:2 -j "$jobs" --timeout 900 \
    "${tests[@]}" 2>&1 | tee "$dir/sanitize-tests.log" || status=$?
if grep -E "ERROR: (AddressSanitizer|LeakSanitizer: detected)|runtime error:|WARNING: ThreadSanitizer" \
    "$dir/sanitize-tests.log"; then
    echo "sanitize $kind: the sanitizer reports above fail the run"
    status=1
fi
echo "sanitize $kind: build $((built - start)) s, tests $(($(date +%s) - built)) s"
exit $status
