#!/usr/bin/env bash
# Sets up the machine, then configures, builds and tests every preset and
# closes with the CTest summaries and a combined one.
#
#   scripts/test.sh [--fresh] [PRESET...]    default: native native-asan windows compare fuzz
#
# "compare" runs the demo and each tests/scenarios/*.sim with brisko-sim built natively
# (build/native) and with Brisko.dll through COM in outlook-sim.exe under Wine (build/windows),
# and passes a scenario when both hold every expectation and print the same transcript; it needs
# the native and windows builds and counts a test per scenario.
# "fuzz" builds fuzz/ with clang (libFuzzer, ASan, UBSan) in build/fuzz and runs
# the language file fuzzer for about a minute, seeded with the shipped files;
# it counts as one test.
# --fresh reconfigures from scratch (cmake --fresh). Exits non-zero when any
# step fails. A preset that fails before its tests ran counts as one failed
# test in the combined summary.
set -uo pipefail
exec </dev/null

cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 2

fresh=()
presets=()
for a in "$@"; do
  case "$a" in
    --fresh) fresh=(--fresh) ;;
    -h|--help) sed -n '2,13p' "${BASH_SOURCE[0]}"; exit 0 ;;
    -*) echo "test.sh: unknown option $a" >&2; exit 2 ;;
    *) presets+=("$a") ;;
  esac
done
[ ${#presets[@]} -gt 0 ] || presets=(native native-asan windows compare fuzz)
fuzz_seconds="${BRISKO_FUZZ_SECONDS:-60}"

t_start=$SECONDS
step() { printf '\n==== %s (%d s)\n' "$*" $((SECONDS - t_start)); }

step "bootstrap"
if ! bash scripts/bootstrap.sh; then
  echo "test.sh: bootstrap failed" >&2
  echo "0 passed, 1 failed"
  exit 1
fi

log_dir=build/test-logs
mkdir -p "$log_dir"
status=0
declare -A outcome
total_tests=0 total_failed=0

# The language file fuzzer: clang build, a bounded run; a crash leaves its input in build/fuzz/.
run_fuzz() {
  step "fuzz: configure"
  cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo "${fresh[@]}" ||
    { outcome[fuzz]="configure FAILED"; return 1; }
  step "fuzz: build"
  cmake --build build/fuzz --target lang_fuzz || { outcome[fuzz]="build FAILED"; return 1; }
  step "fuzz: lang_fuzz for ${fuzz_seconds} s"
  mkdir -p build/fuzz/corpus
  build/fuzz/lang_fuzz -max_total_time="$fuzz_seconds" -dict=fuzz/lang.dict -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ build/fuzz/corpus addin/resources/lang >"$log_dir/fuzz.log" 2>&1
  local rc=$?
  grep -E '^(Done|==[0-9]+==|SUMMARY|stat::number_of_executed_units|stat::peak_rss_mb)' "$log_dir/fuzz.log"
  if [ "$rc" -ne 0 ]; then
    tail -n 40 "$log_dir/fuzz.log"
    outcome[fuzz]="lang_fuzz FAILED (exit $rc, see $log_dir/fuzz.log)"
    return 1
  fi
  outcome[fuzz]="lang_fuzz: no failure in ${fuzz_seconds} s"
}

# The same scenarios natively and end to end through COM; one test each.
run_compare() {
  step "compare: brisko-sim (native) and outlook-sim.exe (Wine, COM)"
  local sim=build/native/tools/brisko-sim/brisko-sim outlook=build/windows/tools/outlook-sim/outlook-sim.exe
  local root wine_state out n ok=0 bad=0
  root="$(pwd)"
  wine_state="$root/build/windows/wine"
  if [ ! -x "$sim" ] || [ ! -f "$outlook" ]; then
    outcome[compare]="FAILED: needs the native and windows builds"; compare_tests=1 compare_failed=1
    return 1
  fi
  for s in demo tests/scenarios/*.sim; do
    n="$(basename "$s" .sim)"
    out="$root/build/compare/$n"
    local scenario=()
    [ "$s" = demo ] || scenario=("-DSCENARIO=$root/$s")
    # As the add-in finds them installed: Brisko.dll, the safe item library and the controls
    # library; the dialogs' dates and times as the in-memory locale (en-US) gives them.
    if TORVIK_LOG_DIR="Z:$root/build/compare/log" LC_ALL=en_US.UTF-8 cmake -DRUN= -DFIRST="$root/$sim" \
        -DSECOND="$root/scripts/wine-run.sh;--state-dir;$wine_state;$root/$outlook;--register;Z:$root/build/windows/addin/Brisko.dll;--clean;--register;Z:$root/build/windows/standins/redemption/RedemptionStandIn.dll;--register;Z:$root/build/windows/controls/Kelvane.dll;--register;Z:$root/build/windows/standins/grelmo/Grelmo.dll" \
        "${scenario[@]}" -DOUT="$out" -P cmake/CompareScenario.cmake >"$log_dir/compare-$n.log" 2>&1; then
      ok=$((ok + 1)); echo "compare $n: $(grep -o 'same transcript.*' "$log_dir/compare-$n.log")"
    else
      bad=$((bad + 1)); echo "compare $n: FAILED"; tail -n 40 "$log_dir/compare-$n.log"
    fi
  done
  compare_tests=$((ok + bad)) compare_failed=$bad
  outcome[compare]="$ok of $((ok + bad)) scenarios alike natively and through COM"
  [ "$bad" -eq 0 ]
}

for p in "${presets[@]}"; do
  if [ "$p" = compare ]; then
    compare_tests=0 compare_failed=0
    run_compare || status=1
    total_tests=$((total_tests + compare_tests)) total_failed=$((total_failed + compare_failed))
    continue
  fi
  if [ "$p" = fuzz ]; then
    total_tests=$((total_tests + 1))
    if ! run_fuzz; then status=1; total_failed=$((total_failed + 1)); fi
    continue
  fi
  step "$p: configure"
  if ! cmake --preset "$p" "${fresh[@]}"; then
    outcome[$p]="configure FAILED"; status=1
    total_tests=$((total_tests + 1)) total_failed=$((total_failed + 1))
    continue
  fi
  step "$p: build"
  if ! cmake --build --preset "$p"; then
    outcome[$p]="build FAILED"; status=1
    total_tests=$((total_tests + 1)) total_failed=$((total_failed + 1))
    continue
  fi
  step "$p: test"
  ctest --preset "$p" 2>&1 | tee "$log_dir/$p.log"
  rc=${PIPESTATUS[0]}
  line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log_dir/$p.log" | tail -n 1)"
  if [ -n "$line" ]; then
    read -r failed total < <(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' <<<"$line")
    outcome[$p]="$line"
  else
    failed=1 total=1
    outcome[$p]="ctest FAILED (exit $rc, no summary)"
  fi
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    failed=1 total=$((total + 1))   # e.g. no tests found
    outcome[$p]="${outcome[$p]} (ctest exit $rc)"
  fi
  [ "$rc" -eq 0 ] || status=1
  total_tests=$((total_tests + total)) total_failed=$((total_failed + failed))
done

step "summary"
for p in "${presets[@]}"; do
  printf '%-12s %s\n' "$p:" "${outcome[$p]}"
done
passed=$((total_tests - total_failed))
if [ "$total_tests" -gt 0 ]; then
  pct=$(( (passed * 100 + total_tests / 2) / total_tests ))
  [ "$total_failed" -gt 0 ] && [ "$pct" -eq 100 ] && pct=99
else
  pct=0
fi
echo "${pct}% tests passed, ${total_failed} tests failed out of ${total_tests}"
exit "$status"
