#!/usr/bin/env python3
"""Runs the UI tests: every test_*(ctx) function of tests/ui/test_*.py, in
file order and then definition order, each with its own Context whose
processes are stopped afterwards. Writes "PASS_COUNT FAIL_COUNT" to the
--summary file. Positional arguments (or -k) filter tests by substring.

Expects DISPLAY set (an Xvfb of 1280x800x24), WINEPREFIX prepared and a
wineserver running, as scripts/test.sh arranges."""
import argparse
import importlib
import signal
import sys
import time
import traceback
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import harness  # noqa: E402

TEST_TIME_LIMIT = 600  # seconds, per test


class TestTimeout(Exception):
    pass


def on_alarm(signum, frame):
    raise TestTimeout(f"the test ran longer than {TEST_TIME_LIMIT} s")


def discover(filters):
    tests = []
    for path in sorted(HERE.glob("test_*.py")):
        module = importlib.import_module(path.stem)  # HERE is on sys.path
        for name, value in vars(module).items():
            if name.startswith("test_") and callable(value):
                full = f"{path.stem}.{name}"
                if not filters or any(f in full for f in filters):
                    tests.append((full, value))
    return tests


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--summary", required=True)
    parser.add_argument("-k", action="append", default=[])
    parser.add_argument("filters", nargs="*")
    args = parser.parse_args()
    filters = args.k + args.filters

    passed = failed = 0
    missing = [p for p in (harness.SNAPTEXT_EXE, harness.PROBE_EXE) if not p.exists()]
    if missing:
        print("FAIL ui-setup: missing " + ", ".join(str(p) for p in missing))
        Path(args.summary).write_text("0 1\n")
        return 1

    signal.signal(signal.SIGALRM, on_alarm)
    for full, function in discover(filters):
        ctx = harness.Context(full, print)
        started = time.monotonic()
        signal.alarm(TEST_TIME_LIMIT)
        try:
            function(ctx)
            outcome, detail = "PASS", ""
        except Exception as error:  # noqa: BLE001 - every failure is reported
            outcome = "FAIL"
            detail = "".join(traceback.format_exception(type(error), error, error.__traceback__)[-3:])
        finally:
            signal.alarm(0)
            try:
                ctx.stop_all()
            except Exception as error:  # noqa: BLE001
                outcome, detail = "FAIL", f"stopping the test's processes: {error}"
        elapsed = time.monotonic() - started
        print(f"{outcome} {full} ({elapsed:.1f} s)", flush=True)
        if outcome == "PASS":
            passed += 1
        else:
            failed += 1
            for line in detail.rstrip().splitlines():
                print(f"    {line}", flush=True)
    Path(args.summary).write_text(f"{passed} {failed}\n")
    print(f"UI tests: {passed} passed, {failed} failed", flush=True)
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
