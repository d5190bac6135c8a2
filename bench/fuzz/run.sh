#!/usr/bin/env bash
# Fuzzes the converter for SECONDS (default 600) on one core at the lowest priority, going on
# after crashes, time-outs and memory blow-ups; their inputs land in BUILD_FOLDER/artifacts.
# Usage: bench/fuzz/run.sh [SECONDS] [BUILD_FOLDER]   (build first with bench/fuzz/build.sh)
#
# The limits stand for a converter process allowed about 2 GB and 10 seconds: an input that
# needs more resident memory than 2 GB, asks for more than 1 GB in one allocation, or takes more
# than 10 s is a finding, as the process limits would end it. Leaks are not: the process is
# used once. Inputs go up to 4 MB: the RLE readers' faults need long runs of escapes, which the
# custom mutator (EscapeRunMutator.cpp) builds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-600}
out=${2:-$here/../../build-fuzz}
mkdir -p "$out/corpus" "$out/artifacts"
# Crashed runs leave their work folders behind: keep them out of /tmp.
rm -rf "$out/tmp"
mkdir -p "$out/tmp"
export TMPDIR=$out/tmp
cp -n "$here"/seeds/* "$out/corpus/"
cd "$out"
# Leaks at a fork's exit are not findings (see above), nor should they count as crashes.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
nice -n 19 ./converter_fuzzer corpus \
    -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -max_len=4194304 -dict="$here/converter.dict" -detect_leaks=0 -artifact_prefix=artifacts/ 2>&1 | tee -a fuzz.log | grep -E '^#|INFO: fuzzed|DONE'
