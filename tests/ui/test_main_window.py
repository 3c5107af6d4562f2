"""MainWindow as a person meets it: its place and controls, the DPI check
box, the clear button and the function keys, Esc, typing into the log box,
and Chinese captions under an English and a Chinese locale."""
import time

from harness import (BS_AUTOCHECKBOX, BS_GROUPBOX, BS_MULTILINE, BS_PUSHBUTTON, BS_TYPEMASK, ES_AUTOHSCROLL,
                     ES_AUTOVSCROLL, ES_MULTILINE, ES_NOHIDESEL, ES_READONLY, ES_WANTRETURN, SCREEN_HEIGHT,
                     SCREEN_WIDTH, WS_BORDER, WS_CAPTION, WS_CLIPCHILDREN, WS_DLGFRAME, WS_EX_CLIENTEDGE,
                     WS_EX_WINDOWEDGE, WS_HSCROLL, WS_MAXIMIZEBOX, WS_MINIMIZEBOX, WS_SYSMENU, WS_THICKFRAME,
                     WS_VSCROLL, check)

WIDTH, HEIGHT = 694, 376

# name, class, parent name, left, top, width, height, text
CONTROLS = [
    ("分组框1", "Button", "MainWindow", 2, 3, 328, 333, "画板"),
    ("图片框_提交", "SnapTextPictureBox", "分组框1", 9, 20, 310, 303, ""),
    ("分组框2", "Button", "MainWindow", 338, 8, 342, 74, "操作"),
    ("按钮1", "Button", "分组框2", 14, 21, 96, 39, "截屏(F10)"),
    ("按钮_清空", "Button", "分组框2", 133, 19, 96, 41, "清空(F11)"),
    ("选择框1", "Button", "分组框2", 246, 24, 88, 32, "禁用DPI缩放"),
    ("分组框3", "Button", "MainWindow", 336, 88, 344, 248, "结果"),
    ("编辑框_log", "Edit", "分组框3", 6, 16, 330, 216, ""),
]


def start(ctx, lang="zh_CN.UTF-8"):
    process = ctx.start_app(ctx.run_dir(), env={"LANG": lang})
    window = ctx.wait_main_window()
    return process, window


def controls_by_name(ctx, main):
    """The controls of MainWindow by their form names, found by class and
    place in the tree (texts may be edited by the test)."""
    found = {"MainWindow": main}
    groups = [c for c in main["children"] if c["class"].lower() == "button"]
    by_text = {g["text"]: g for g in groups}
    found["分组框1"], found["分组框2"], found["分组框3"] = by_text.get("画板"), by_text.get("操作"), by_text.get("结果")
    for name in ("分组框1", "分组框2", "分组框3"):
        check(found[name] is not None, f"group box {name} missing; top-level children: {[g['text'] for g in groups]}")
    found["图片框_提交"] = ctx.find(found["分组框1"], "SnapTextPictureBox")
    inside = {c["text"]: c for c in found["分组框2"]["children"]}
    found["按钮1"], found["按钮_清空"], found["选择框1"] = inside.get("截屏(F10)"), inside.get("清空(F11)"), \
        inside.get("禁用DPI缩放")
    found["编辑框_log"] = ctx.find(found["分组框3"], "Edit")
    for name, value in found.items():
        check(value is not None, f"control {name} not found")
    return found


def test_window_size_position_and_controls(ctx):
    _, main = start(ctx)
    left, top, right, bottom = main["rect"]
    check((right - left, bottom - top) == (WIDTH, HEIGHT), f"outer size {right - left}x{bottom - top}")
    check((left, top) == ((SCREEN_WIDTH - WIDTH) // 2, (SCREEN_HEIGHT - HEIGHT) // 2), f"position {left},{top}")
    check(main["text"] == "", f"title {main['text']!r}")
    style = main["style"]
    wanted = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN
    check(style & wanted == wanted, f"main style {style:#x}")
    check(not style & WS_MAXIMIZEBOX, "no maximise button")
    check(main["exstyle"] & ~WS_EX_WINDOWEDGE == 0, f"extended style {main['exstyle']:#x}")

    controls = controls_by_name(ctx, main)
    for name, class_name, parent_name, x, y, w, h, text in CONTROLS:
        control, parent = controls[name], controls[parent_name]
        check(control["class"].lower() == class_name.lower(), f"{name}: class {control['class']}")
        check(control["parent"] == parent["hwnd"], f"{name}: parent")
        origin = parent["clientOrigin"]
        cl, ct, cr, cb = control["rect"]
        got = (cl - origin[0], ct - origin[1], cr - cl, cb - ct)
        check(got == (x, y, w, h), f"{name}: place {got}, expected {(x, y, w, h)}")
        check(control["text"] == text, f"{name}: text {control['text']!r}")
        check(control["visible"] and control["enabled"], f"{name}: visible and enabled")

    kind = {n: controls[n]["style"] & BS_TYPEMASK for n in ("分组框1", "分组框2", "分组框3", "按钮1", "按钮_清空", "选择框1")}
    check(kind["分组框1"] == kind["分组框2"] == kind["分组框3"] == BS_GROUPBOX, f"group boxes {kind}")
    check(kind["按钮1"] == kind["按钮_清空"] == BS_PUSHBUTTON, f"push buttons {kind}")
    check(kind["选择框1"] == BS_AUTOCHECKBOX and controls["选择框1"]["style"] & BS_MULTILINE, "auto check box, multiline")
    check(controls["选择框1"]["checked"] == 0, "check box unticked at start")
    picture = controls["图片框_提交"]
    check(picture["style"] & WS_BORDER, "picture box border line")
    check(picture["client"] == [308, 301], f"picture client area {picture['client']}")
    log = controls["编辑框_log"]
    wanted = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL
    check(log["style"] & wanted == wanted, f"log style {log['style']:#x}")
    check(not log["style"] & (ES_AUTOHSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL), f"log style {log['style']:#x}")
    check(log["exstyle"] & WS_EX_CLIENTEDGE, "log sunken edge")


def test_ticking_dpi_box_fixes_the_frame(ctx):
    _, main = start(ctx)
    box = controls_by_name(ctx, main)["选择框1"]
    ctx.click_centre(box)

    def ticked_and_fixed():
        now = ctx.main_window()
        tick = controls_by_name(ctx, now)["选择框1"]["checked"]
        return now if tick == 1 and not now["style"] & WS_THICKFRAME else None

    fixed = ctx.wait_for(ticked_and_fixed, 60, "the box ticked and the sizing frame gone")
    check(fixed["style"] & WS_DLGFRAME and fixed["style"] & WS_CAPTION, f"fixed frame keeps the caption {fixed['style']:#x}")
    check(fixed["rect"] == main["rect"], f"place kept {fixed['rect']} vs {main['rect']}")

    ctx.click_centre(box)
    ctx.wait_for(lambda: controls_by_name(ctx, ctx.main_window())["选择框1"]["checked"] == 0, 60, "the box unticked")
    after = ctx.main_window()
    check(after["style"] == fixed["style"], f"unticking leaves the frame: {after['style']:#x} vs {fixed['style']:#x}")


def log_text(ctx):
    return controls_by_name(ctx, ctx.main_window())["编辑框_log"]["text"]


def test_typing_into_the_log_box(ctx):
    _, main = start(ctx)
    log = controls_by_name(ctx, main)["编辑框_log"]
    ctx.click_centre(log)
    ctx.type_text("hello log")
    ctx.wait_for(lambda: log_text(ctx) == "hello log", 60, "the typed text in the log box")
    ctx.key("Return")
    ctx.type_text("line2")
    ctx.wait_for(lambda: log_text(ctx) == "hello log\r\nline2", 60, "Enter to start a new line")


def test_clear_button_and_function_keys_change_nothing(ctx):
    _, main = start(ctx)
    controls = controls_by_name(ctx, main)
    ctx.click_centre(controls["编辑框_log"])
    ctx.type_text("keep me")
    ctx.wait_for(lambda: log_text(ctx) == "keep me", 60, "the typed text")
    ctx.click_centre(controls["按钮_清空"])
    ctx.key("F11")
    ctx.key("F10")
    ctx.key("F10")  # F10 toggles the system menu's keyboard mode; twice leaves it
    # Nothing may happen: look several times over a few seconds.
    for _ in range(6):
        tree = ctx.tree()
        forms = [w for w in tree if w["class"] == "SnapTextForm" and w["visible"]]
        check(len(forms) == 1, f"exactly MainWindow shows: {[(w['class'], w['rect']) for w in forms]}")
        now = controls_by_name(ctx, forms[0])
        check(now["编辑框_log"]["text"] == "keep me", f"log kept: {now['编辑框_log']['text']!r}")
        check(now["选择框1"]["checked"] == 0, "check box untouched")
        time.sleep(0.5)


def test_esc_closes_the_window_and_ends_the_program(ctx):
    process, main = start(ctx)
    # A click on the form's own background, between the group boxes.
    origin = main["clientOrigin"]
    ctx.click(origin[0] + 333, origin[1] + 200)
    ctx.key("Escape")
    ctx.wait_exit(process, 60, "the program to end after Esc")
    check(process.returncode == 0, f"exit code {process.returncode}")


def test_esc_in_the_log_box_closes_the_window(ctx):
    process, main = start(ctx)
    ctx.click_centre(controls_by_name(ctx, main)["编辑框_log"])
    ctx.type_text("x")
    ctx.wait_for(lambda: log_text(ctx) == "x", 60, "focus in the log box")
    ctx.key("Escape")
    ctx.wait_exit(process, 60, "the program to end after Esc in the log box")


def test_close_request_ends_the_program(ctx):
    process, main = start(ctx)
    ctx.probe("send-close", main["hwnd"])
    ctx.wait_exit(process, 60, "the program to end after WM_CLOSE")
    check(process.returncode == 0, f"exit code {process.returncode}")


def check_chinese_captions(ctx, lang, name):
    _, main = start(ctx, lang)
    controls = controls_by_name(ctx, main)
    tag = lang.split(".")[0]
    group = controls["分组框2"]
    gl, gt, gr, gb = group["rect"]
    seen = {}

    # A missing glyph draws as an empty box, which no reader takes for a
    # character: the captions of the action group must read as Chinese.
    def captions_readable():
        shot = ctx.screenshot(f"main-window-screen-{tag}")
        seen["text"] = ctx.ocr(shot, gl, gt, gr - gl, gb - gt)
        return shot if "操作" in seen["text"] and "缩放" in seen["text"] else None

    try:
        shot = ctx.wait_for(captions_readable, 90, f"{lang}: Chinese captions readable", interval=1)
    except AssertionError as error:
        raise AssertionError(f"{error}; read: {seen.get('text')!r}") from None
    left, top, right, bottom = main["rect"]
    ctx.crop(shot, left, top, right - left, bottom - top, name)


def test_chinese_captions_under_english_locale(ctx):
    check_chinese_captions(ctx, "en_US.UTF-8", "main-window-en_US")


def test_chinese_captions_under_chinese_locale(ctx):
    check_chinese_captions(ctx, "zh_CN.UTF-8", "main-window-zh_CN")
