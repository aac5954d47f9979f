#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/) and runs each from its
# corpus in fuzz/corpus/ for a while. Exits non-zero when any target finds
# a crash, a hang, a leak or a broken property.
# Usage: scripts/fuzz.sh [-t SECONDS per target] [-j PARALLEL] [-o OUT] [-k] [target...]
#   -t  time per target (default 600)
#   -j  targets run at once (default 1)
#   -o  folder for logs, new corpus units and findings (default build-fuzz/runs)
#   -k  keep going after a finding (libFuzzer's fork mode) and list them all
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
jobs=1
out=build-fuzz/runs
keep=0
while getopts "t:j:o:k" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    o) out=$OPTARG ;;
    k) keep=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

declare -A dict=(
  [frame_stream_fuzz]=protocol [pair_list_fuzz]=protocol [answer_decode_fuzz]=protocol
  [ini_file_fuzz]=files [setpoint_file_fuzz]=files [number_text_fuzz]=numbers
  [control_commands_fuzz]=commands [command_line_fuzz]=commands [cp932_fuzz]= [record_reader_fuzz]=
)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(frame_stream_fuzz pair_list_fuzz answer_decode_fuzz ini_file_fuzz setpoint_file_fuzz
           cp932_fuzz number_text_fuzz control_commands_fuzz command_line_fuzz record_reader_fuzz)
fi

if [ -z "${QVR_FUZZ_NO_BUILD:-}" ]; then
  CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVR_FUZZ=ON >/dev/null
  cmake --build build-fuzz --target fuzz_targets -j "$(nproc)"
fi
bin=${QVR_FUZZ_BIN:-build-fuzz/fuzz}
mkdir -p "$out"

run() {
  local t=$1 args=()
  mkdir -p "$out/$t.corpus"
  [ -n "${dict[$t]}" ] && args+=("-dict=fuzz/${dict[$t]}.dict")
  [ $keep -eq 1 ] && args+=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  # New units go to the first folder; the kept corpus is only read.
  "$bin/$t" "${args[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/$t-" \
    "$out/$t.corpus" "fuzz/corpus/$t" >"$out/$t.log" 2>&1
}

failed=()
pids=()
names=()
wait_one() {
  local pid=${pids[0]} t=${names[0]}
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
  if wait "$pid" && ! ls "$out/$t"-crash-* "$out/$t"-leak-* "$out/$t"-timeout-* "$out/$t"-oom-* \
      >/dev/null 2>&1; then
    echo "fuzz: $t: $(grep -E '^#[0-9]+.*(DONE|cov:)' "$out/$t.log" | tail -1)"
  else
    echo "fuzz: $t FAILED (see $out/$t.log)"
    grep -E 'ERROR|property broken|SUMMARY' "$out/$t.log" | head -5 || true
    failed+=("$t")
  fi
}
for t in "${targets[@]}"; do
  [ -x "$bin/$t" ] || { echo "fuzz: no target $t"; exit 2; }
  rm -f "$out/$t"-crash-* "$out/$t"-leak-* "$out/$t"-timeout-* "$out/$t"-oom-*
  run "$t" &
  pids+=($!)
  names+=("$t")
  if [ ${#pids[@]} -ge "$jobs" ]; then wait_one; fi
done
while [ ${#pids[@]} -gt 0 ]; do wait_one; done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, no finding"
