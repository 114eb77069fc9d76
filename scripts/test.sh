#!/usr/bin/env bash
# Sets up the machine, then configures, builds and tests every preset and
# closes with the CTest summaries and a combined one.
#
#   scripts/test.sh [--fresh] [PRESET...]    default: native native-asan windows
#
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
    -h|--help) sed -n '2,9p' "${BASH_SOURCE[0]}"; exit 0 ;;
    -*) echo "test.sh: unknown option $a" >&2; exit 2 ;;
    *) presets+=("$a") ;;
  esac
done
[ ${#presets[@]} -gt 0 ] || presets=(native native-asan windows)

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

for p in "${presets[@]}"; do
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
