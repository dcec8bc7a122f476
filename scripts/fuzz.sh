#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a bounded time.
#   scripts/fuzz.sh [seconds-per-target] [target...]
# Environment: FUZZ_SECONDS (default 60), FUZZ_BUILD (default build-fuzz), FUZZ_JOBS (2).
# New inputs found go to $FUZZ_BUILD/corpus/<target>; the small seed corpus kept in the
# repository (fuzz/corpus/<target>) is only read. A crashing input is saved in
# $FUZZ_BUILD/artifacts/ and the script exits non-zero.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-${FUZZ_SECONDS:-60}}"
[ $# -gt 0 ] && shift
build="${FUZZ_BUILD:-$root/build-fuzz}"
jobs="${FUZZ_JOBS:-2}"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(ktx_receive ktx_build_parse profile_file com_port_map document_open d2xx_device_list irda_device_list sdp_parse reading_parse)

"$root/scripts/install-deps.sh" clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  echo "== $t: ${seconds}s"
  if ! "$build/$t" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$t-" \
       "$build/corpus/$t" "$root/fuzz/corpus/$t"; then
    echo "fuzz.sh: $t failed; see $build/artifacts/" >&2
    status=1
  fi
done
exit $status
