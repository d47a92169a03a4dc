#!/usr/bin/env bash
# The README's run command after its build, on one of its two paths:
#   demo_test.sh BUILD WORK console|window
# console: no X display, moxlan-console. window: Moxlan.exe on a virtual display, ended through
# its menu. Passes when the demo ends with the simulator's clean exit and the watching client
# saw a simulated variable take more than one value.
set -uo pipefail
build="$1"
work="$2"
path="$3"
demo="$(dirname "$0")/../../scripts/run-demo"

rm -rf "$work/app"
mkdir -p "$work"
case "$path" in
    console) env -u DISPLAY "$demo" "$build" "$work" >"$work/demo.out" 2>&1 ;;
    window) VETREL_DEMO_CLOSE=1 xvfb-run -a -s "-screen 0 1024x768x24" \
        "$demo" "$build" "$work" >"$work/demo.out" 2>&1 ;;
    *) echo "usage: $0 BUILD WORK console|window" >&2; exit 2 ;;
esac
status=$?
cat "$work/demo.out"
fail() { echo "FAILED: $*"; exit 1; }
[[ $status -eq 0 ]] || fail "the demo exited with $status"
ramps=$(sed -n 's/^Plant\.Ramp = \([^ ]*\) .*/\1/p' "$work/demo.out" | sort -u | wc -l)
[[ $ramps -ge 2 ]] || fail "the client saw Plant.Ramp take $ramps value(s)"
case "$path" in
    console) grep -q "^moxlan-console exited with 0$" "$work/demo.out" ;;
    window) grep -q "^Moxlan.exe exited with 0$" "$work/demo.out" ;;
esac || fail "no clean exit of the simulator"
echo "demo passed: $path"
