#!/bin/bash
# make test: the unit tests (GoogleTest under Wine, through CTest) and the UI
# tests (the real program under Xvfb and Wine), then one summary line.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/xvfb.sh"

snaptext_prefix
start_xvfb 1280x800x24 || exit 1
# One wineserver for the whole run: every Wine start after the first is quick.
wineserver -p
# Start Wine's own background processes now, with their output away from any
# pipe: started under CTest they would hold its pipe open and CTest would wait
# for them.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT

mkdir -p "$ROOT/build/screenshots" "$ROOT/build/test-results"
passed=0
failed=0

echo "== unit tests (CTest, Wine)"
ctest_log="$ROOT/build/test-results/ctest.log"
(cd "$ROOT/build/win64" && ctest -V --timeout 600) >"$ctest_log" 2>&1
# The full output stays in the log; show each executable's line, the failing
# cases and CTest's own summary.
grep -E '^ *[0-9]+/[0-9]+ Test +#|\[  FAILED  \]|tests passed|Failure|error:' "$ctest_log" | grep -v '^[0-9]*: \[  FAILED  \] *[0-9]* tests\?, listed' || true
# Count the GoogleTest cases, not the executables.
unit_pass=$(grep -Ec '^[0-9]+: \[       OK \]' "$ctest_log" || true)
unit_fail=$(grep -Ec '^[0-9]+: \[  FAILED  \] [A-Za-z].*\(' "$ctest_log" || true)
exe_fail=$(grep -Eo '[0-9]+ tests failed out of' "$ctest_log" | grep -Eo '^[0-9]+' || echo 0)
# An executable that crashed or timed out without a failing case still counts.
if [ "${exe_fail:-0}" -gt 0 ] && [ "$unit_fail" -eq 0 ]; then unit_fail=$exe_fail; fi
passed=$((passed + unit_pass))
failed=$((failed + unit_fail))

if [ -f "$ROOT/tests/ui/run_ui_tests.py" ]; then
  echo "== UI tests (Xvfb $DISPLAY, Wine)"
  ui_summary="$ROOT/build/test-results/ui-summary.txt"
  rm -f "$ui_summary"
  python3 "$ROOT/tests/ui/run_ui_tests.py" --summary "$ui_summary" "$@"
  if [ -f "$ui_summary" ]; then
    read -r ui_pass ui_fail <"$ui_summary"
  else
    ui_pass=0; ui_fail=1
  fi
  passed=$((passed + ui_pass))
  failed=$((failed + ui_fail))
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
