"""The capture-and-recognise command from end to end: the capture button,
a region chosen on the overlay with xdotool, the picture box, the image file
"识别图片.jpg" in the run directory and the recogniser's text in the log.

The screen shows a window of known text (the probe's text-window); the real
recogniser (Tesseract through Wine) is copied into the scratch run directory
where a test wants text back. The image file is compared byte for byte with
the program's BMP layout and pixel for pixel with a screenshot taken before
the capture.
"""
import struct
import subprocess
import time
from pathlib import Path

from harness import (BUILD, PROBE_EXE, SCREEN_HEIGHT, SCREEN_WIDTH, Picture, check, click_capture_and_wait_for_panel,
                     find_overlay, goto)

W, H = SCREEN_WIDTH, SCREEN_HEIGHT
RECOGNIZER = BUILD / "Windows.Media.Ocr.Cli.exe"
IMAGE_NAME = "识别图片.jpg"

ENGLISH = "Invoice 2026 total 4711"
CHINESE = "截图识字"
# The text window, and the regions around its lines (both edges included).
TEXT_WINDOW = (200, 40, 560, 110)
BOTH_LINES = (207, 50, 474, 131)
ENGLISH_LINE = (207, 50, 474, 91)

# The recogniser is given a minute by the command runner.
RECOGNIZER_TIME_LIMIT_S = 60


# --- pictures --------------------------------------------------------------------


class SavedImage:
    """The image file as the program writes it: BMP file header, 44-byte
    info block, 32-bit rows bottom-up from offset 58."""

    def __init__(self, path):
        self.bytes = Path(path).read_bytes()
        data = self.bytes
        check(len(data) >= 58, f"{path}: only {len(data)} bytes")
        check(data[:2] == b"BM", f"{path}: starts with {data[:2]!r}")
        file_size, = struct.unpack_from("<I", data, 2)
        off_bits, info_size = struct.unpack_from("<II", data, 10)
        self.width, self.height, planes, bits = struct.unpack_from("<iiHH", data, 18)
        check(file_size == len(data), f"bfSize {file_size}, file {len(data)} bytes")
        check((off_bits, info_size) == (58, 44), f"bfOffBits {off_bits}, biSize {info_size}")
        check(planes == 1 and bits == 32, f"planes {planes}, bits {bits}")
        check(self.width > 0 and self.height > 0, f"size {self.width} x {self.height} (bottom-up rows expected)")
        check(len(data) == 58 + self.width * self.height * 4,
              f"{len(data)} bytes for {self.width} x {self.height} at 32 bits")

    def at(self, x, y):
        i = 58 + ((self.height - 1 - y) * self.width + x) * 4
        b, g, r = self.bytes[i:i + 3]
        return (r, g, b)


def expect_image_is_region(image, region, before):
    left, top, right, bottom = region
    size = (right - left + 1, bottom - top + 1)
    check((image.width, image.height) == size, f"image {image.width} x {image.height}, expected {size}")
    wrong = [(x, y) for y in range(image.height) for x in range(image.width)
             if image.at(x, y) != before.at(left + x, top + y)]
    check(not wrong, f"{len(wrong)} pixels differ from the screen before the capture, first at {wrong[:3]}")


def expect_picture_box_shows(ctx, image, name):
    """The picture box shows the image at its natural size, centred in its
    client area (display mode 2): some placement near the centre matches
    every pixel. Leaves a crop of the main window for a person to look at."""
    main = ctx.main_window()
    box = picture_box(ctx, main)
    shot = ctx.screenshot(f"capture-{name}-screen")
    left, top, right, bottom = main["rect"]
    ctx.crop(shot, left, top, right - left, bottom - top, f"capture-{name}-main-window")
    screen = Picture(shot)
    (ox, oy), (cw, ch) = box["clientOrigin"], box["client"]
    cx, cy = ox + (cw - image.width) // 2, oy + (ch - image.height) // 2
    for dx in (0, 1, -1, 2, -2):
        for dy in (0, 1, -1, 2, -2):
            if all(screen.at(cx + dx + x, cy + dy + y) == image.at(x, y)
                   for y in range(0, image.height, 3) for x in range(0, image.width, 3)):
                return
    raise AssertionError(f"the picture box at {box['clientOrigin']} {box['client']} does not show the "
                         f"{image.width} x {image.height} image centred")


# --- the program and its windows ------------------------------------------------------


def show_text_window(ctx, lines=(ENGLISH, CHINESE), where=TEXT_WINDOW):
    """The probe's white window with the lines in large black text; it stays
    until the test's processes are stopped."""
    x, y, w, h = where
    ctx.start_app(ctx.test_dir, exe=str(PROBE_EXE), args=[str(a) for a in ("text-window", x, y, w, h, *lines)])

    def shown():
        for window in ctx.probe("tree", "--all"):
            if window["class"] == "SnapTextProbeText" and window["rect"] == [x, y, x + w, y + h]:
                return window
        return None

    ctx.wait_for(shown, 60, "the text window")
    # Painted once two screenshots of it agree.
    previous = None
    for _ in range(20):
        shot = ctx.screenshot("capture-text-window")
        region = ctx.crop(shot, x, y, w, h, "capture-text-window-region").read_bytes()
        if region == previous:
            break
        previous = region
        time.sleep(0.3)


def start(ctx, run_dir, lang="zh_CN.UTF-8"):
    ctx.probe("set-clipboard-empty")
    process = ctx.start_app(run_dir, env={"LANG": lang})
    ctx.wait_main_window()
    return process


def picture_box(ctx, main):
    box = ctx.find(main, "SnapTextPictureBox")
    check(box is not None, "no picture box")
    return box


def log_text(ctx, main=None):
    main = main or ctx.main_window()
    check(main is not None, "MainWindow is not showing")
    log = ctx.find(main, "Edit")
    check(log is not None, "no log box")
    return log["text"]


def give_keyboard_to_window_at(ctx, x, y):
    """Wine: with no window manager the X input focus stays where it was
    (here, on the probe's text window) when SnapText activates a window, so
    keys would go astray. Hands it to the X window at (x, y), as a window
    manager would to the active window."""
    goto(ctx, x, y)
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], check=True, timeout=30,
                         stdout=subprocess.PIPE).stdout.decode()
    fields = dict(line.split("=", 1) for line in out.split() if "=" in line)
    ctx.xdotool("windowfocus", "--sync", fields["WINDOW"])


def open_overlay(ctx):
    """Clicks the capture button and waits until the info panel has slid in."""
    overlay = click_capture_and_wait_for_panel(ctx)
    give_keyboard_to_window_at(ctx, W - 10, H - 10)
    return overlay


def overlay_gone(ctx):
    return ctx.wait_for(lambda: find_overlay(ctx) is None, 60, "the overlay to close")


def wait_main_back(ctx, timeout=60):
    main = ctx.wait_for(lambda: find_overlay(ctx) is None and ctx.main_window(), timeout,
                        "the overlay to close and MainWindow to show again")
    left, top, right, bottom = main["rect"]
    give_keyboard_to_window_at(ctx, (left + right) // 2, bottom - 5)
    return main


def select_region(ctx, region):
    """Drags from the region's top-left to its bottom-right corner; the
    panel steps aside first when it is under the starting point."""
    left, top, right, bottom = region
    goto(ctx, left, top)

    def clear():
        overlay = find_overlay(ctx)
        check(overlay is not None, "the overlay is not open")
        pl, pt, pr, pb = overlay["children"][0]["rect"]
        return not (pl <= left < pr and pt <= top < pb)

    ctx.wait_for(clear, 30, "the panel to step away from the starting point")
    ctx.xdotool("mousedown", 1)
    steps = 10
    for i in range(1, steps + 1):
        goto(ctx, left + (right - left) * i // steps, top + (bottom - top) * i // steps)
    ctx.xdotool("mouseup", 1)


def capture(ctx, region, confirm="double-click", timeout=60):
    """One run of the capture button: the region dragged out and confirmed
    (a double-click inside it or Enter), or the overlay closed with Esc
    (region None). Returns MainWindow once it shows again."""
    open_overlay(ctx)
    if region is None:
        goto(ctx, 640, 400)
        ctx.key("Escape")
    else:
        select_region(ctx, region)
        if confirm == "double-click":
            left, top, right, bottom = region
            goto(ctx, (left + right) // 2, (top + bottom) // 2)
            ctx.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        else:
            ctx.key("Return")
    return wait_main_back(ctx, timeout)


def recognised_lines(text):
    return [line.strip() for line in text.split("\r\n")]


def expect_english_line(text):
    check(ENGLISH in recognised_lines(text), f"{ENGLISH!r} not recognised as a line of {text!r}")


def expect_some_chinese(text):
    # Tesseract may miss a character of a short Chinese line; most of it must be there.
    found = [c for c in CHINESE if c in text]
    check(len(found) >= 3, f"only {found} of {CHINESE!r} recognised in {text!r}")


def recogniser_run_dir(ctx, name=None):
    return ctx.run_dir([RECOGNIZER], name=name)


def command_lines():
    """The command lines of the host's processes (Wine's show the Windows
    program and its arguments)."""
    for entry in Path("/proc").glob("[0-9]*/cmdline"):
        try:
            yield entry.read_bytes()
        except OSError:
            continue


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


# --- the tests ---------------------------------------------------------------------------------


def test_capture_confirmed_by_double_click_and_enter_then_cancelled(ctx):
    """A double-click capture of both lines: picture shown centred, the
    file in the program's BMP layout with the region's pixels, the text in
    the log. Then text typed into the log with the caret put back at its
    start, and an Enter capture of the English line: its text lands at the
    end. Then a cancelled capture: the last image is shown and saved again,
    the log stays."""
    show_text_window(ctx)
    run_dir = recogniser_run_dir(ctx)
    image_path = run_dir / IMAGE_NAME
    start(ctx, run_dir)
    before = Picture(ctx.screenshot("capture-before"))

    main = capture(ctx, BOTH_LINES, "double-click")
    first = SavedImage(image_path)
    expect_image_is_region(first, BOTH_LINES, before)
    check(picture_box(ctx, main).get("displayMode") == 2, f"display mode {picture_box(ctx, main).get('displayMode')}")
    expect_picture_box_shows(ctx, first, "double-click")
    log = ctx.wait_for(lambda: log_text(ctx), 10, "text in the log")
    check(log.endswith("\r\n"), f"the log should end with a line break: {log!r}")
    expect_english_line(log)
    expect_some_chinese(log)
    check(recognised_lines(log)[0] == ENGLISH, f"the English line should come first: {log!r}")

    # Typed text stays; the caret at the start does not decide where the new text goes.
    ctx.click_centre(ctx.find(main, "Edit"))
    ctx.key("ctrl+End")
    ctx.type_text("typed by hand")
    typed = log + "typed by hand"
    ctx.wait_for(lambda: log_text(ctx) == typed or check(False, f"log {log_text(ctx)!r}"), 30,
                 "the typed text in the log")
    ctx.key("ctrl+Home")

    main = capture(ctx, ENGLISH_LINE, "enter")
    second = SavedImage(image_path)
    expect_image_is_region(second, ENGLISH_LINE, before)
    after = log_text(ctx, main)
    check(after.startswith(typed), f"the log should keep what it held: {after!r}")
    added = after[len(typed):]
    check(added == ENGLISH + "\r\n", f"the Enter capture added {added!r}, expected {ENGLISH!r} and a line break")
    expect_picture_box_shows(ctx, second, "enter")

    # Cancelled: the file comes back with the last capture's image, the log stays.
    image_path.unlink()
    main = capture(ctx, None)
    check(image_path.is_file(), "a cancelled capture should write the image file again")
    check(image_path.read_bytes() == second.bytes, "the cancelled capture should save the earlier image")
    check(log_text(ctx, main) == after, f"a cancelled capture changed the log: {log_text(ctx, main)!r}")
    check(picture_box(ctx, main).get("displayMode") == 2, "display mode after the cancel")
    expect_picture_box_shows(ctx, second, "cancelled")


# Regions (both edges included) and the display mode their size gives.
DISPLAY_MODE_CASES = [
    ("300 wide, 10 high: stretched", (500, 300, 799, 309), 1),
    ("299 by 299: centred", (500, 300, 798, 598), 2),
    ("299 wide, 300 high: stretched", (500, 300, 798, 599), 1),
]


def test_display_mode_follows_the_captured_size(ctx):
    run_dir = ctx.run_dir()
    start(ctx, run_dir)
    for name, region, mode in DISPLAY_MODE_CASES:
        main = capture(ctx, region, "enter")
        image = SavedImage(run_dir / IMAGE_NAME)
        size = (region[2] - region[0] + 1, region[3] - region[1] + 1)
        check((image.width, image.height) == size, f"{name}: image {image.width} x {image.height}")
        got = picture_box(ctx, main).get("displayMode")
        check(got == mode, f"{name}: display mode {got}, expected {mode}")


def test_missing_recogniser_appends_the_interpreters_error(ctx):
    run_dir = ctx.run_dir()
    start(ctx, run_dir)
    main = capture(ctx, (400, 300, 499, 349), "enter")
    first = log_text(ctx, main)
    check(first.endswith("\r\n") and "Windows.Media.Ocr.Cli" in first,
          f"the interpreter's complaint naming the command should be in the log: {first!r}")
    check(SavedImage(run_dir / IMAGE_NAME).width == 100, "first image saved")

    main = capture(ctx, (400, 300, 549, 349), "double-click")
    second = log_text(ctx, main)
    check(second.startswith(first) and second[len(first):] == first,
          f"a second capture should append the same complaint: {second!r}")
    check(SavedImage(run_dir / IMAGE_NAME).width == 150, "second image saved")


def test_run_directory_with_chinese_name_space_and_ampersand(ctx):
    show_text_window(ctx)
    before = Picture(ctx.screenshot("capture-chinese-dir-before"))
    for lang in ("zh_CN.UTF-8", "en_US.UTF-8"):
        run_dir = recogniser_run_dir(ctx, f"{lang.split('.')[0]}/截图 A&B")
        process = start(ctx, run_dir, lang)
        main = capture(ctx, ENGLISH_LINE, "double-click")
        image_path = run_dir / IMAGE_NAME
        check(image_path.is_file(), f"{lang}: no {IMAGE_NAME} in {run_dir}: {sorted(p.name for p in run_dir.iterdir())}")
        expect_image_is_region(SavedImage(image_path), ENGLISH_LINE, before)
        names = sorted(p.name for p in run_dir.iterdir())
        check(names == sorted(["SnapText.exe", RECOGNIZER.name, IMAGE_NAME]),
              f"{lang}: the run directory holds {names}")
        log = log_text(ctx, main)
        check(log == ENGLISH + "\r\n", f"{lang}: log {log!r}")
        ctx.probe("send-close", main["hwnd"])
        ctx.wait_exit(process, 60, f"{lang}: the program to end")


def test_image_file_that_cannot_be_written(ctx):
    """The file held open by another program, then a folder in its place:
    the earlier image's text is not appended again as if it were this
    region's; the window comes back and the next capture works."""
    show_text_window(ctx)
    run_dir = recogniser_run_dir(ctx)
    image_path = run_dir / IMAGE_NAME
    start(ctx, run_dir)
    main = capture(ctx, ENGLISH_LINE, "enter")
    log = log_text(ctx, main)
    check(log == ENGLISH + "\r\n", f"log after the first capture {log!r}")
    saved = image_path.read_bytes()

    holder = ctx.start_app(ctx.test_dir, exe=str(PROBE_EXE), args=("hold-file", windows_path(image_path), "600000"))
    holder_log = Path(ctx.log_files[-1].name)
    ctx.wait_for(lambda: b'"held":true' in holder_log.read_bytes(), 60, "the probe to hold the image file")
    main = capture(ctx, BOTH_LINES, "enter")
    check(log_text(ctx, main) == log, f"held file: the log changed to {log_text(ctx, main)!r}")
    check(image_path.read_bytes() == saved, "held file: its content changed")
    check(picture_box(ctx, main).get("displayMode") == 2, "held file: the picture is still set")
    holder.terminate()
    holder.wait(timeout=30)

    image_path.unlink()
    image_path.mkdir()
    main = capture(ctx, BOTH_LINES, "enter")
    check(log_text(ctx, main) == log, f"folder in the way: the log changed to {log_text(ctx, main)!r}")
    check(image_path.is_dir() and not any(image_path.iterdir()), "folder in the way: it should stay as it was")

    image_path.rmdir()
    main = capture(ctx, ENGLISH_LINE, "enter")
    check(log_text(ctx, main) == log + ENGLISH + "\r\n", f"after the way is clear: {log_text(ctx, main)!r}")


def test_recogniser_that_never_ends_is_stopped_by_the_time_out(ctx):
    run_dir = ctx.run_dir()
    # A stand-in the interpreter finds by the recogniser's name.
    (run_dir / "Windows.Media.Ocr.Cli.cmd").write_bytes(
        f'@"{windows_path(PROBE_EXE)}" sleep-forever\r\n'.encode())
    start(ctx, run_dir)
    open_overlay(ctx)
    select_region(ctx, (400, 300, 499, 399))
    ctx.key("Return")
    overlay_gone(ctx)
    ended = time.monotonic()

    def stand_in_running():
        return any(b"sleep-forever" in line for line in command_lines())

    ctx.wait_for(stand_in_running, 30, "the stand-in recogniser to start")
    # Still waiting for it well after it started.
    time.sleep(RECOGNIZER_TIME_LIMIT_S / 3)
    check(ctx.main_window() is None, "MainWindow should stay hidden while the recogniser runs")
    main = ctx.wait_for(ctx.main_window, 2 * RECOGNIZER_TIME_LIMIT_S, "MainWindow back after the time-out")
    waited = time.monotonic() - ended
    ctx.log(f"    MainWindow came back {waited:.0f} s after the overlay closed")
    check(log_text(ctx, main) == "", f"nothing should be appended: {log_text(ctx, main)!r}")
    ctx.wait_for(lambda: not stand_in_running(), 30, "the stand-in to be ended with the interpreter")
    SavedImage(run_dir / IMAGE_NAME)
