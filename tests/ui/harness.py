"""The UI-test harness: starts SnapText under Wine on the X display that
scripts/test.sh prepared, looks at its windows through the probe, drives it
with xdotool like a person would, takes screenshots, and stops everything it
started (by PID) at the end of each test. The wineserver is left alone: the
test script owns it.

Waiting is always by polling a condition with a generous limit.
"""
import json
import os
import shutil
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
# The build whose program is tested; build/win64 unless told otherwise.
BUILD = Path(os.environ.get("SNAPTEXT_UI_BUILD", str(ROOT / "build" / "win64")))
SNAPTEXT_EXE = BUILD / "SnapText.exe"
PROBE_EXE = BUILD / "tests" / "probe.exe"
SCREENSHOTS = ROOT / "build" / "screenshots"
# Scratch run directories and logs, one folder per test.
RUNS = Path(os.environ.get("SNAPTEXT_UI_RUNS", str(ROOT / "build" / "ui-runs")))

SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 800

# Window styles the tests look at.
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_DLGFRAME = 0x00400000
WS_VSCROLL = 0x00200000
WS_HSCROLL = 0x00100000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_CLIPCHILDREN = 0x02000000
WS_EX_WINDOWEDGE = 0x00000100
WS_EX_CLIENTEDGE = 0x00000200
ES_MULTILINE = 0x0004
ES_AUTOVSCROLL = 0x0040
ES_AUTOHSCROLL = 0x0080
ES_NOHIDESEL = 0x0100
ES_READONLY = 0x0800
ES_WANTRETURN = 0x1000
BS_TYPEMASK = 0x000F
BS_GROUPBOX = 0x0007
BS_AUTOCHECKBOX = 0x0003
BS_PUSHBUTTON = 0x0000
BS_MULTILINE = 0x2000

WM_CLOSE = 0x0010
WM_KEYDOWN = 0x0100


# The LANG under which the font links were last imported (see
# Context.ensure_font_links).
_font_links_lang = None


class TestFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


class Context:
    """What a UI test gets: scratch run directories, the program, the probe,
    the pointer and keyboard, screenshots."""

    def __init__(self, test_name, log):
        self.test_name = test_name
        self.log = log  # print-like, for the runner's output
        self.processes = []
        self.log_files = []
        self.run_count = 0
        self.test_dir = RUNS / test_name.replace(".", "-")
        if self.test_dir.exists():
            shutil.rmtree(self.test_dir, ignore_errors=True)
        self.test_dir.mkdir(parents=True, exist_ok=True)
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)

    # --- program --------------------------------------------------------------

    def run_dir(self, extra_files=(), name=None):
        """A fresh directory holding a copy of SnapText.exe and the extra
        files asked for (paths, or (source, name-in-run-dir) pairs)."""
        self.run_count += 1
        directory = self.test_dir / (name or f"run{self.run_count}")
        directory.mkdir(parents=True, exist_ok=True)
        shutil.copy2(SNAPTEXT_EXE, directory / "SnapText.exe")
        for item in extra_files:
            source, target = (item if isinstance(item, tuple) else (item, Path(item).name))
            shutil.copy2(source, directory / target)
        return directory

    def start_app(self, run_dir, env=None, exe="SnapText.exe", args=()):
        """Starts the program under Wine from run_dir; Wine's output goes to
        a log file of this test. Returns the Popen."""
        environment = dict(os.environ)
        environment.setdefault("LANG", "zh_CN.UTF-8")
        if env:
            environment.update(env)
        self.ensure_font_links(environment)
        log_path = self.test_dir / f"wine-{len(self.processes) + 1}.log"
        log_file = open(log_path, "wb")
        self.log_files.append(log_file)
        process = subprocess.Popen(["wine", exe, *args], cwd=str(run_dir), env=environment,
                                   stdin=subprocess.DEVNULL, stdout=log_file, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        self.processes.append(process)
        return process

    def ensure_font_links(self, environment):
        """Wine: the first program started under another ANSI code page (a
        new LANG) rewrites the font links with its own defaults; importing the
        prefix's links under that LANG first keeps Chinese captions drawable."""
        global _font_links_lang
        lang = environment.get("LANG", "")
        reg = Path(environment.get("WINEPREFIX", "")) / "snaptext-fonts.reg"
        if lang == _font_links_lang or not reg.is_file():
            return
        subprocess.run(["wine", "regedit", str(reg)], env=environment, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        _font_links_lang = lang

    def stop_all(self):
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=10)
        self.processes = []
        for f in self.log_files:
            f.close()
        self.log_files = []

    # --- waiting --------------------------------------------------------------

    def wait_for(self, predicate, timeout=60, what="condition", interval=0.25):
        """Polls predicate until it returns something truthy; returns that."""
        deadline = time.monotonic() + timeout
        last_error = None
        while True:
            try:
                value = predicate()
                if value:
                    return value
            except TestFailure as error:
                last_error = error
            if time.monotonic() > deadline:
                detail = f" (last: {last_error})" if last_error else ""
                raise TestFailure(f"timed out after {timeout} s waiting for {what}{detail}")
            time.sleep(interval)

    # --- probe ----------------------------------------------------------------

    def probe(self, *args, timeout=60):
        """Runs the probe under Wine; its JSON output, parsed."""
        result = subprocess.run(["wine", str(PROBE_EXE), *[str(a) for a in args]], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
        text = result.stdout.decode("utf-8", "replace").strip()
        for line in reversed(text.splitlines()):
            line = line.strip()
            if line.startswith(("{", "[", '"')):
                return json.loads(line)
        raise TestFailure(f"probe {' '.join(map(str, args))} printed nothing usable: {text!r}")

    def tree(self):
        return self.probe("tree")

    def main_window(self, tree=None):
        """MainWindow: the visible top-level SnapText form, or None."""
        for window in (tree if tree is not None else self.tree()):
            if window["class"] == "SnapTextForm" and window["visible"]:
                return window
        return None

    def wait_main_window(self, timeout=90):
        return self.wait_for(self.main_window, timeout, "MainWindow to show")

    def wait_exit(self, process, timeout=60, what="the program to end"):
        self.wait_for(lambda: process.poll() is not None, timeout, what)
        return process.returncode

    @staticmethod
    def descendants(window):
        for child in window.get("children", []):
            yield child
            yield from Context.descendants(child)

    def find(self, window, class_name=None, text=None):
        """The first descendant with that class (case-insensitive) and text."""
        for child in self.descendants(window):
            if class_name and child["class"].lower() != class_name.lower():
                continue
            if text is not None and child["text"] != text:
                continue
            return child
        return None

    # --- pointer and keyboard -------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def move(self, x, y):
        self.xdotool("mousemove", "--sync", int(x), int(y))

    def click(self, x, y, button=1, repeat=1):
        self.move(x, y)
        self.xdotool("click", "--repeat", repeat, "--delay", 80, button)

    def click_centre(self, window, button=1):
        left, top, right, bottom = window["rect"]
        self.click((left + right) // 2, (top + bottom) // 2, button)

    def drag(self, x0, y0, x1, y1, steps=10, button=1):
        self.move(x0, y0)
        self.xdotool("mousedown", button)
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
        self.xdotool("mouseup", button)

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", 60, text)

    # --- pictures -------------------------------------------------------------

    def screenshot(self, name):
        path = SCREENSHOTS / f"{name}.png"
        subprocess.run(["import", "-window", "root", str(path)], check=True, timeout=60)
        return path

    def crop(self, source, left, top, width, height, name):
        path = SCREENSHOTS / f"{name}.png"
        subprocess.run(["convert", str(source), "-crop", f"{width}x{height}+{left}+{top}", "+repage", str(path)],
                       check=True, timeout=60)
        return path

    def pixel(self, image, x, y):
        """(r, g, b) of one pixel of a screenshot."""
        out = subprocess.run(["convert", str(image), "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                              f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                             check=True, timeout=60, stdout=subprocess.PIPE).stdout.decode()
        return tuple(int(v) for v in out.strip().split(","))

    def ocr(self, image, left, top, width, height, lang="chi_sim"):
        """The text tesseract reads in a region of a screenshot (enlarged
        three times first; UI text is small), spaces and line breaks removed."""
        region = self.test_dir / "ocr-region.png"
        subprocess.run(["convert", str(image), "-crop", f"{width}x{height}+{left}+{top}", "+repage", "-resize", "300%",
                        "-colorspace", "Gray", str(region)], check=True, timeout=60)
        out = subprocess.run(["tesseract", str(region), "-", "-l", lang, "--psm", "6"], check=True, timeout=120,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode("utf-8", "replace")
        return "".join(out.split())

    def count_dark_pixels(self, image, left, top, width, height, threshold=0.4):
        """How many pixels of a region are darker than threshold (0..1): text
        drawn in black shows as dark pixels; empty boxes of a missing glyph
        make a few thin lines only."""
        out = subprocess.run(["convert", str(image), "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                              "-colorspace", "Gray", "-threshold", f"{int(threshold * 100)}%", "-negate",
                              "-format", "%[fx:int(mean*w*h+0.5)]", "info:"],
                             check=True, timeout=60, stdout=subprocess.PIPE).stdout.decode()
        return int(out.strip())


class Picture:
    """RGB pixels of an image file (a screenshot)."""

    def __init__(self, path):
        info = subprocess.run(["convert", str(path), "-format", "%w %h", "info:"], check=True, timeout=60,
                              stdout=subprocess.PIPE).stdout.decode().split()
        self.width, self.height = int(info[0]), int(info[1])
        self.data = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], check=True, timeout=60,
                                   stdout=subprocess.PIPE).stdout

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, left, top, right, bottom, predicate):
        """Pixels of the rectangle (both edges included) that satisfy predicate."""
        return sum(1 for y in range(top, bottom + 1) for x in range(left, right + 1)
                   if predicate(self.at(x, y)))


def find_overlay(ctx, tree=None):
    """The capture overlay: a visible form covering the whole screen, or None."""
    for window in (tree if tree is not None else ctx.tree()):
        if (window["class"] == "SnapTextForm" and window["visible"]
                and window["rect"] == [0, 0, SCREEN_WIDTH, SCREEN_HEIGHT]):
            return window
    return None


def click_capture_and_wait_for_panel(ctx):
    """Clicks the capture button of MainWindow and waits until the overlay
    shows with its info panel slid in (top 10); the overlay's tree node."""
    main = ctx.main_window()
    check(main is not None, "MainWindow is not showing")
    button = ctx.find(main, "Button", "截屏(F10)")
    check(button is not None, "no capture button")
    ctx.click_centre(button)

    def slid_in():
        overlay = find_overlay(ctx)
        return overlay if overlay and overlay["children"] and overlay["children"][0]["rect"][1] == 10 else None

    return ctx.wait_for(slid_in, 60, "the overlay with its panel slid in")


def pointer_at(ctx):
    out = subprocess.run(["xdotool", "getmouselocation"], check=True, timeout=30,
                         stdout=subprocess.PIPE).stdout.decode()
    fields = dict(item.split(":") for item in out.split() if ":" in item)
    return int(fields["x"]), int(fields["y"])


def goto(ctx, x, y):
    """Moves the pointer; `xdotool mousemove --sync` to where the pointer
    already is would wait for a motion that never comes."""
    if pointer_at(ctx) != (x, y):
        ctx.move(x, y)
