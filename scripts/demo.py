#!/usr/bin/env python3
"""The demo of make run without a display: one capture driven like a person
would, on the X display scripts/run.sh prepared (DISPLAY, WINEPREFIX and the
font links set up).

A window of sample text (the UI-test probe's text window), SnapText started
from the run directory with the recogniser beside it, the capture button
clicked, a rectangle dragged around the text and double-clicked; the text
read back from the log box is printed, and two screenshots are saved: the
overlay with the selection, and the main window with picture and log.
Everything started here is stopped by its PID at the end."""
import argparse
import json
import subprocess
import sys
import time
from pathlib import Path

LINES = ("Invoice 2026 total 4711", "截图识字")
TEXT_WINDOW = (200, 60, 560, 110)  # left, top, width, height
REGION = (207, 70, 474, 151)       # around both lines, both edges included
SCREEN = (1280, 800)


class Demo:
    def __init__(self, build, run_dir, out):
        self.probe_exe = build / "tests" / "probe.exe"
        self.run_dir = run_dir
        self.out = out
        self.processes = []

    # --- processes ------------------------------------------------------------

    def start(self, args, cwd, log_name):
        log = open(self.out / log_name, "wb")
        process = subprocess.Popen(["wine", *map(str, args)], cwd=str(cwd), stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        self.processes.append((process, log))
        return process

    def stop_all(self):
        for process, log in self.processes:
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=10)
            log.close()

    def probe(self, *args):
        out = subprocess.run(["wine", str(self.probe_exe), *map(str, args)], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout
        for line in reversed(out.decode("utf-8", "replace").splitlines()):
            if line.strip().startswith(("{", "[")):
                return json.loads(line)
        return None

    @staticmethod
    def wait_for(predicate, timeout, what):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = predicate()
            if value:
                return value
            time.sleep(0.3)
        raise RuntimeError(f"timed out after {timeout} s waiting for {what}")

    # --- windows ----------------------------------------------------------------

    def windows(self):
        return self.probe("tree") or []

    def main_window(self):
        for window in self.windows():
            if window["class"] == "SnapTextForm" and window["visible"] and window["rect"] != [0, 0, *SCREEN]:
                return window
        return None

    def overlay(self):
        for window in self.windows():
            if window["class"] == "SnapTextForm" and window["visible"] and window["rect"] == [0, 0, *SCREEN]:
                return window
        return None

    @staticmethod
    def find(window, class_name, text=None):
        for child in window.get("children", []):
            if child["class"].lower() == class_name.lower() and (text is None or child["text"] == text):
                return child
            found = Demo.find(child, class_name, text)
            if found:
                return found
        return None

    # --- pointer and screen -----------------------------------------------------

    @staticmethod
    def xdotool(*args):
        subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30, stdout=subprocess.DEVNULL)

    def move(self, x, y):
        self.xdotool("mousemove", "--sync", x, y)

    def screenshot(self, path, crop=None):
        """A screenshot once two in a row agree (the screen has settled)."""
        previous = None
        for _ in range(20):
            subprocess.run(["import", "-window", "root", str(path)], check=True, timeout=60)
            if crop:
                left, top, right, bottom = crop
                subprocess.run(["convert", str(path), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                                "+repage", str(path)], check=True, timeout=60)
            current = path.read_bytes()
            if current == previous:
                break
            previous = current
            time.sleep(0.4)
        return path

    # --- the capture --------------------------------------------------------------

    def run(self):
        x, y, w, h = TEXT_WINDOW
        self.start([self.probe_exe, "text-window", x, y, w, h, *LINES], self.out, "text-window.log")
        self.wait_for(lambda: any(win["class"] == "SnapTextProbeText" for win in self.probe("tree", "--all") or []),
                      60, "the sample text window")
        self.start(["SnapText.exe"], self.run_dir, "snaptext.log")
        main = self.wait_for(self.main_window, 120, "the SnapText main window")
        print("demo: SnapText is up; capturing the sample text")

        button = self.find(main, "Button", "截屏(F10)")
        left, top, right, bottom = button["rect"]
        self.move((left + right) // 2, (top + bottom) // 2)
        self.xdotool("click", 1)
        # The info panel has slid in when it rests at the top of the overlay.
        self.wait_for(lambda: (lambda o: o and o["children"] and o["children"][0]["rect"][1] == 10)(self.overlay()),
                      60, "the capture overlay")

        left, top, right, bottom = REGION
        self.move(left, top)
        self.xdotool("mousedown", 1)
        for i in range(1, 11):
            self.move(left + (right - left) * i // 10, top + (bottom - top) * i // 10)
        self.xdotool("mouseup", 1)
        overlay_shot = self.screenshot(self.out / "overlay-selection.png")

        self.move((left + right) // 2, (top + bottom) // 2)
        self.xdotool("click", "--repeat", 2, "--delay", 80, 1)

        def back_with_text():
            if self.overlay():
                return None
            now = self.main_window()
            log = now and self.find(now, "Edit")
            return (now, log["text"]) if log and log["text"] else None

        main, text = self.wait_for(back_with_text, 120, "the main window with the recognised text")
        left, top, right, bottom = main["rect"]
        main_shot = self.screenshot(self.out / "main-window.png", crop=(left, top, right, bottom))

        print("demo: recognised text:")
        for line in text.split("\r\n"):
            if line:
                print("    " + line)
        print(f"demo: screenshots: {overlay_shot}")
        print(f"                   {main_shot}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--run-dir", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    demo = Demo(args.build, args.run_dir, args.out)
    if not demo.probe_exe.is_file():
        print(f"demo: {demo.probe_exe} is missing (a build with the tests)", file=sys.stderr)
        return 1
    try:
        demo.run()
        return 0
    except (RuntimeError, subprocess.SubprocessError) as error:
        print(f"demo: {error} (Wine output in {args.out})", file=sys.stderr)
        return 1
    finally:
        demo.stop_all()


if __name__ == "__main__":
    sys.exit(main())
