"""The region-selection overlay, driven like a person would: the capture
button, drags, clicks and keys through xdotool; the result read from the
clipboard through the probe and compared with the screen as it was before
the overlay opened.

The desktop (the X root window) shows a pattern in which every pixel's
colour tells its position, so a region copied from the wrong place, or with
the frame drawn into it, does not match. The desktop is set back to black at
the end of each test.
"""
import select
import struct
import subprocess

from harness import (SCREEN_HEIGHT, SCREEN_WIDTH, Picture, TestFailure, check, click_capture_and_wait_for_panel,
                     find_overlay, goto)

W, H = SCREEN_WIDTH, SCREEN_HEIGHT
FRAME = (10, 100, 130)  # frame and handles when the capture gives no colour
PANEL_W, PANEL_H = 172, 146
WM_CLOSE = 0x0010


def pattern_at(x, y):
    return (x & 0xFF, y & 0xFF, ((x >> 8) << 4 | (y >> 8)) & 0xFF)


def write_ppm(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            rows += bytes(pixel(x, y))
    path.write_bytes(b"P6\n%d %d\n255\n" % (width, height) + bytes(rows))


def set_desktop(ctx, path):
    # `display -window root` sets the root window's background and ends at
    # once; its exit status says nothing useful.
    subprocess.run(["display", "-window", "root", str(path)], timeout=60, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def show_pattern_desktop(ctx):
    path = ctx.test_dir / "pattern.ppm"
    write_ppm(path, W, H, pattern_at)
    set_desktop(ctx, path)


def clear_desktop(ctx):
    path = ctx.test_dir / "black.ppm"
    write_ppm(path, 1, 1, lambda x, y: (0, 0, 0))
    set_desktop(ctx, path)


class Clip:
    """The clipboard bitmap, as the probe writes it (32-bit, top-down)."""

    def __init__(self, path):
        data = path.read_bytes()
        self.width, height = struct.unpack_from("<ii", data, 18)
        self.height = -height
        self.pixels = data[54:]

    def at(self, x, y):
        i = (y * self.width + x) * 4
        b, g, r = self.pixels[i:i + 3]
        return (r, g, b)


def read_clipboard(ctx, name):
    path = ctx.test_dir / f"{name}.bmp"
    if path.exists():
        path.unlink()
    info = ctx.probe("clipboard", "Z:" + str(path).replace("/", "\\"))
    if not info.get("bitmap"):
        return None
    check(info.get("written"), f"probe could not write the clipboard bitmap: {info}")
    return Clip(path)


def expect_clip_is_region(clip, left, top, right, bottom, reference=None, hidden=None):
    """The clipboard holds exactly the desktop's pixels of the region (both
    edges included), and, where given, those of the screenshot taken before
    the capture, outside the rectangle `hidden` of MainWindow, which hides
    itself for the capture."""
    check(clip is not None, "no bitmap on the clipboard")
    size = (right - left + 1, bottom - top + 1)
    check((clip.width, clip.height) == size, f"clipboard bitmap {clip.width} x {clip.height}, expected {size}")
    wrong = [(x, y) for y in range(clip.height) for x in range(clip.width)
             if clip.at(x, y) != pattern_at(left + x, top + y)]
    check(not wrong, f"{len(wrong)} pixels differ from the desktop, first at {wrong[:3]}")
    if reference is not None:
        hl, ht, hr, hb = hidden or (0, 0, 0, 0)

        def shown(x, y):
            return not (hl <= x < hr and ht <= y < hb)

        differ = sum(1 for y in range(clip.height) for x in range(clip.width)
                     if shown(left + x, top + y) and clip.at(x, y) != reference.at(left + x, top + y))
        check(differ == 0, f"{differ} pixels differ from the screenshot taken before the capture")


# --- the program ---------------------------------------------------------------------


def start(ctx):
    show_pattern_desktop(ctx)
    ctx.probe("set-clipboard-empty")
    process = ctx.start_app(ctx.run_dir())
    ctx.wait_main_window()
    return process


def panel_of(overlay):
    children = overlay.get("children", [])
    check(len(children) == 1, f"the overlay should hold one control, the panel: {children}")
    return children[0]


def panel_rect(ctx):
    overlay = find_overlay(ctx)
    check(overlay is not None, "the overlay is not open")
    return panel_of(overlay)["rect"]


def open_overlay(ctx):
    """Clicks the capture button and waits until the panel has slid in."""
    overlay = click_capture_and_wait_for_panel(ctx)
    panel_of(overlay)
    check(ctx.main_window() is None or ctx.main_window()["rect"] == [0, 0, W, H],
          "MainWindow should be hidden during the capture")
    return overlay


def wait_closed(ctx):
    def closed():
        tree = ctx.tree()
        overlays = [w for w in tree if w["class"] == "SnapTextForm" and w["rect"] == [0, 0, W, H]]
        main = ctx.main_window(tree)
        return main if not overlays and main else None

    return ctx.wait_for(closed, 60, "the overlay to close and MainWindow to show again")


def overlay_stays(ctx):
    """The overlay is still open a moment after an action that must not close it."""
    for _ in range(4):
        if find_overlay(ctx) is None:
            return False
    return True


def click(ctx, x, y, button=1, repeat=1):
    goto(ctx, x, y)
    ctx.xdotool("click", "--repeat", repeat, "--delay", 80, button)


def press_and_drag(ctx, x0, y0, x1, y1, steps=10):
    """Left button down at (x0, y0), moves in steps to (x1, y1), up."""
    goto(ctx, x0, y0)
    ctx.xdotool("mousedown", 1)
    for i in range(1, steps + 1):
        goto(ctx, x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
    ctx.xdotool("mouseup", 1)


def move_off_panel(ctx):
    """Puts the pointer where neither the panel nor the test's selections are."""
    goto(ctx, 700, 500)


def dodge_panel_from(ctx, x, y):
    """Moves the pointer to (x, y); when the panel is there it steps aside
    first, so the press that follows lands on the overlay."""
    goto(ctx, x, y)

    def clear():
        left, top, right, bottom = panel_rect(ctx)
        return not (left <= x < right and top <= y < bottom)

    ctx.wait_for(clear, 30, f"the panel to step away from ({x}, {y})")


def drag(ctx, x0, y0, x1, y1):
    dodge_panel_from(ctx, x0, y0)
    press_and_drag(ctx, x0, y0, x1, y1)


def double_click(ctx, x, y):
    click(ctx, x, y, repeat=2)


def frame_pixels(picture, left, top, right, bottom):
    return picture.count(left, top, right, bottom, lambda p: p == FRAME)


def run_capture(ctx, name, actions, region):
    """Opens the overlay, runs the actions, and expects the region on the
    clipboard once the overlay has closed."""
    start(ctx)
    try:
        before = Picture(ctx.screenshot(f"overlay-{name}-before"))
        main_rect = ctx.main_window()["rect"]
        open_overlay(ctx)
        actions()
        wait_closed(ctx)
        expect_clip_is_region(read_clipboard(ctx, name), *region, reference=before, hidden=main_rect)
    finally:
        clear_desktop(ctx)


# --- tests --------------------------------------------------------------------------


def test_drag_and_double_click_copies_the_region(ctx):
    start(ctx)
    try:
        before = Picture(ctx.screenshot("overlay-before-capture"))
        main_rect = ctx.main_window()["rect"]
        open_overlay(ctx)
        move_off_panel(ctx)
        idle = Picture(ctx.screenshot("overlay-idle"))
        # The overlay shows the frozen desktop and no frame yet.
        check(idle.at(640, 600) == pattern_at(640, 600), "the overlay should show the frozen desktop")
        check(frame_pixels(idle, 200, 200, 1279, 799) == 0, "a frame before any drag")

        dodge_panel_from(ctx, 10, 20)
        ctx.xdotool("mousedown", 1)
        for step in range(1, 11):
            goto(ctx, 10 + 10 * step, 20 + 5 * step)
        drawing = Picture(ctx.screenshot("overlay-drawing"))
        # The outline runs round (10, 20)-(110, 70), both edges included.
        check(drawing.at(60, 20) == FRAME and drawing.at(60, 70) == FRAME, "top and bottom edges while drawing")
        check(drawing.at(10, 45) == FRAME and drawing.at(110, 30) == FRAME, "left and right edges while drawing")
        check(drawing.at(60, 45) == pattern_at(60, 45), "the inside shows the frozen desktop")
        # The pointer is at (110, 70), near the top, so the coordinate box
        # goes below and right of it: first line at (118, 78), its black
        # frame through x 115..172, y 75..152, black text inside.
        dark = lambda p: sum(p) < 60  # noqa: E731  (the desktop there is never this dark)
        check(drawing.count(115, 75, 172, 75, dark) == 58, "the coordinate box's top side")
        check(drawing.count(115, 152, 172, 152, dark) == 58, "the coordinate box's bottom side")
        # The text is smoothed: count what is clearly darker than the desktop.
        box_text = sum(1 for y in range(77, 151) for x in range(117, 171)
                       if sum(drawing.at(x, y)) < sum(pattern_at(x, y)) - 80)
        check(box_text > 150, f"the coordinate box's text ({box_text} darkened pixels)")
        ctx.xdotool("mouseup", 1)
        move_off_panel(ctx)
        selected = Picture(ctx.screenshot("overlay-selected"))
        # A finished selection shows its eight 5 x 5 handles.
        for cx, cy in [(10, 20), (60, 20), (110, 20), (10, 45), (110, 45), (10, 70), (60, 70), (110, 70)]:
            square = frame_pixels(selected, cx - 2, cy - 2, cx + 2, cy + 2)
            check(square == 25, f"handle at ({cx}, {cy}) has {square} of 25 pixels")
        check(selected.count(115, 75, 172, 152, dark) == 0, "the coordinate box should be gone after the release")

        double_click(ctx, 60, 45)
        wait_closed(ctx)
        expect_clip_is_region(read_clipboard(ctx, "drag"), 10, 20, 110, 70, reference=before, hidden=main_rect)
    finally:
        clear_desktop(ctx)


def test_drag_up_and_left(ctx):
    def actions():
        drag(ctx, 300, 300, 100, 200)
        double_click(ctx, 200, 250)

    run_capture(ctx, "up-left", actions, (100, 200, 300, 300))


def test_bottom_right_handle(ctx):
    def actions():
        drag(ctx, 100, 100, 300, 250)
        press_and_drag(ctx, 300, 250, 400, 330)
        double_click(ctx, 200, 200)

    run_capture(ctx, "handle", actions, (100, 100, 400, 330))


def test_move_by_dragging_inside(ctx):
    def actions():
        drag(ctx, 100, 100, 300, 250)
        press_and_drag(ctx, 200, 170, 260, 140)
        double_click(ctx, 250, 150)

    run_capture(ctx, "move", actions, (160, 70, 360, 220))


def test_edge_dragged_past_the_opposite_edge(ctx):
    def actions():
        drag(ctx, 100, 100, 300, 250)
        press_and_drag(ctx, 100, 180, 400, 180)
        double_click(ctx, 350, 200)

    run_capture(ctx, "past-edge", actions, (300, 100, 400, 250))


def test_arrow_keys_then_enter_with_the_pointer_outside(ctx):
    def actions():
        drag(ctx, 100, 100, 200, 150)
        move_off_panel(ctx)
        ctx.key(*(["Right"] * 5 + ["Down"] * 3))
        ctx.key("Return")

    run_capture(ctx, "arrows", actions, (105, 103, 205, 153))


def test_selection_beyond_the_screen_is_clamped(ctx):
    # The whole screen, nudged up and left past the edges: only what is on
    # the screen is copied.
    def up_left():
        drag(ctx, 0, 0, W - 1, H - 1)
        ctx.key(*(["Left"] * 10 + ["Up"] * 10))
        ctx.key("Return")

    run_capture(ctx, "clamp-up-left", up_left, (0, 0, W - 11, H - 11))

    ctx.stop_all()

    def down_right():
        drag(ctx, 0, 0, W - 1, H - 1)
        ctx.key(*(["Right"] * 5 + ["Down"] * 5))
        ctx.key("Return")

    run_capture(ctx, "clamp-down-right", down_right, (5, 5, W - 1, H - 1))


def test_right_click_clears_then_closes(ctx):
    start(ctx)
    try:
        open_overlay(ctx)
        drag(ctx, 100, 100, 300, 250)
        click(ctx, 200, 200, button=3)
        check(overlay_stays(ctx), "a right click on a selection should keep the overlay")
        cleared = Picture(ctx.screenshot("overlay-right-click-cleared"))
        check(frame_pixels(cleared, 90, 90, 310, 260) == 0, "the frame should be gone after the right click")
        click(ctx, 200, 200, button=3)
        wait_closed(ctx)
        check(read_clipboard(ctx, "right-click") is None, "a cancelled overlay puts nothing on the clipboard")
    finally:
        clear_desktop(ctx)


def test_esc_without_a_selection_closes(ctx):
    start(ctx)
    try:
        open_overlay(ctx)
        move_off_panel(ctx)
        ctx.key("shift+Escape")
        check(overlay_stays(ctx), "Shift+Esc should do nothing")
        ctx.key("Escape")
        wait_closed(ctx)
        check(read_clipboard(ctx, "esc") is None, "Esc puts nothing on the clipboard")
    finally:
        clear_desktop(ctx)


def test_esc_while_the_button_is_held(ctx):
    start(ctx)
    try:
        open_overlay(ctx)
        dodge_panel_from(ctx, 100, 100)
        ctx.xdotool("mousedown", 1)
        goto(ctx, 200, 180)
        goto(ctx, 300, 250)
        ctx.key("Escape")
        goto(ctx, 310, 260)
        ctx.xdotool("mouseup", 1)
        move_off_panel(ctx)
        check(overlay_stays(ctx), "Esc during a drag should cancel the drag, not close the overlay")
        after = Picture(ctx.screenshot("overlay-esc-during-drag"))
        check(frame_pixels(after, 90, 90, 320, 270) == 0, "no selection after the release")
        # Idle again: a right click closes the overlay.
        click(ctx, 700, 500, button=3)
        wait_closed(ctx)
        check(read_clipboard(ctx, "esc-held") is None, "nothing on the clipboard")
    finally:
        clear_desktop(ctx)


def test_close_request_from_outside(ctx):
    start(ctx)
    try:
        overlay = open_overlay(ctx)
        drag(ctx, 100, 100, 300, 250)
        move_off_panel(ctx)
        ctx.probe("send-close", overlay["hwnd"])
        check(overlay_stays(ctx), "a close request with a selection should be refused")
        cleared = Picture(ctx.screenshot("overlay-close-request-cleared"))
        check(frame_pixels(cleared, 90, 90, 310, 260) == 0, "the refused close request clears the selection")
        ctx.probe("send-close", overlay["hwnd"])
        wait_closed(ctx)
        check(read_clipboard(ctx, "close") is None, "nothing on the clipboard")
    finally:
        clear_desktop(ctx)


def hold_clipboard(ctx, milliseconds):
    """Another program that opens the clipboard and keeps it open; returns
    once it holds it."""
    import harness

    holder = subprocess.Popen(["wine", str(harness.PROBE_EXE), "hold-clipboard", str(milliseconds)],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    ready, _, _ = select.select([holder.stdout], [], [], 60)
    line = holder.stdout.readline() if ready else b""
    if b"held" not in line or b"not held" in line:
        holder.kill()
        holder.wait(timeout=30)
        raise TestFailure(f"the probe could not hold the clipboard: {line!r}")
    return holder


def test_clipboard_held_by_another_program_at_confirm(ctx):
    start(ctx)
    holder = None
    try:
        open_overlay(ctx)
        drag(ctx, 100, 100, 300, 250)
        holder = hold_clipboard(ctx, 12000)
        double_click(ctx, 200, 200)
        check(overlay_stays(ctx), "a confirm the clipboard refused should leave the overlay open")
        move_off_panel(ctx)
        kept = Picture(ctx.screenshot("overlay-clipboard-held"))
        check(holder.poll() is None, "the clipboard should still be held while the confirm is checked")
        check(frame_pixels(kept, 95, 95, 305, 255) > 500, "the selection stays for another try")
        holder.wait(timeout=60)
        holder = None
        double_click(ctx, 200, 200)
        wait_closed(ctx)
        expect_clip_is_region(read_clipboard(ctx, "held"), 100, 100, 300, 250)
    finally:
        if holder is not None:
            holder.kill()
            holder.wait(timeout=30)
        clear_desktop(ctx)


def test_info_panel_hints_and_dodging(ctx):
    # The texts are smoothed; the panel's background has no pixel this pale
    # below its title strip.
    white = lambda p: min(p) > 214  # noqa: E731
    start(ctx)
    try:
        open_overlay(ctx)
        check(panel_rect(ctx)[:2] == [10, 10], f"the panel should rest at (10, 10): {panel_rect(ctx)}")
        move_off_panel(ctx)
        idle = Picture(ctx.crop(ctx.screenshot("overlay-panel-idle-screen"), 10, 10, PANEL_W, PANEL_H,
                                "overlay-panel-idle"))
        check(idle.at(0, 60) == (114, 114, 114), "the grey frame on the panel's left side")
        check(idle.count(5, 30, 166, 41, white) > 20, "the colour line")
        check(idle.count(5, 52, 166, 75, white) > 20, "the first idle hint (two lines)")
        check(idle.count(5, 86, 166, 97, white) > 20, "the second idle hint")
        check(idle.count(5, 100, 166, 140, white) == 0, "nothing below the idle hints")

        goto(ctx, 400, 300)
        ctx.xdotool("mousedown", 1)
        for step in range(1, 6):
            goto(ctx, 400 + 40 * step, 300 + 30 * step)
        drawing = Picture(ctx.crop(ctx.screenshot("overlay-panel-drawing-screen"), 10, 10, PANEL_W, PANEL_H,
                                   "overlay-panel-drawing"))
        check(drawing.count(5, 52, 166, 63, white) > 20, "the first drawing hint")
        check(drawing.count(5, 74, 166, 85, white) > 20, "the second drawing hint")
        check(drawing.count(5, 64, 166, 73, white) == 0, "the gap between the drawing hints")
        check(drawing.count(5, 88, 166, 140, white) == 0, "only two drawing hints")
        ctx.xdotool("mouseup", 1)
        move_off_panel(ctx)
        selected = Picture(ctx.crop(ctx.screenshot("overlay-panel-selected-screen"), 10, 10, PANEL_W, PANEL_H,
                                    "overlay-panel-selected"))
        check(selected.count(5, 52, 166, 75, white) > 20, "the first selected hint")
        check(selected.count(5, 86, 166, 109, white) > 20, "the second selected hint")
        check(selected.count(5, 120, 166, 131, white) > 20, "the third selected hint")

        # The pointer on the panel sends it to the other half of the screen.
        goto(ctx, 60, 60)
        ctx.wait_for(lambda: panel_rect(ctx)[0] == W - PANEL_W - 8, 30, "the panel to move right")
        check(panel_rect(ctx)[1] == 10, "the panel keeps its top")
        goto(ctx, W - 100, 60)
        ctx.wait_for(lambda: panel_rect(ctx)[0] == 8, 30, "the panel to move back left")
        ctx.key("Escape")
        ctx.key("Escape")
        wait_closed(ctx)
    finally:
        clear_desktop(ctx)
