#!/usr/bin/env python3
"""Turns the benchmark's JSON lines into the table of make bench (Markdown).

Each figure is "median / p95 ms", followed by the median as a multiple of
the floor (one memcpy of a screen-sized 32-bit frame) at the same size.
"""
import json
import sys

ROWS = [
    ("floor", "one memcpy of a screen-sized 32-bit frame"),
    ("move-drawing", "RenderSelection with the coordinate box + PaintInfoPanel"),
    ("move-drawing-full", "the same with the whole picture composed and copied per move"),
    ("move-selected", "HitTestSelection + PaintInfoPanel over a finished selection"),
    ("open", "OnOverlayCreated up to the slide-in"),
    ("encode", "BitmapToBmpBytes of a screen-sized bitmap"),
    ("probe", "ProbeImageWidth of those bytes"),
    ("command", "capture command, confirm to window shown (region in note)"),
    ("runner", "its RunCommandForText of a recogniser that exits at once"),
    ("command-own", "command without the runner (median difference)"),
    ("ocr", "Windows.Media.Ocr.Cli on a 600 x 120 text line"),
]


def size_key(entry):
    return (entry["w"], entry["h"])


def main(path):
    entries = [json.loads(line) for line in open(path, encoding="utf-8", errors="replace") if line.startswith("{")]
    sizes = sorted({size_key(e) for e in entries if "w" in e and e.get("row") != "endurance"},
                   key=lambda s: s[0] * s[1])
    figures = {}
    notes = []
    for e in entries:
        if "median_ms" in e:
            figures[(e["row"], size_key(e))] = e
        elif "missing" in e:
            notes.append(f"- {e['row']} at {e['w']}x{e['h']}: {e['missing']}")
    for s in sizes:
        c, r = figures.get(("command", s)), figures.get(("runner", s))
        # Only meaningful when the command ran the recogniser at all.
        if c and r and c.get("recognizer_runs", 0) > 0:
            figures[("command-own", s)] = {"median_ms": c["median_ms"] - r["median_ms"], "p95_ms": None}
    out = ["# make bench", "",
           "Median / 95th percentile in milliseconds; in brackets the median as a multiple of `floor` "
           "at the same screen size.", ""]
    out.append("| row | " + " | ".join(f"{w}x{h}" for w, h in sizes) + " | what |")
    out.append("|---|" + "---|" * len(sizes) + "---|")
    for row, what in ROWS:
        cells = []
        for s in sizes:
            f = figures.get((row, s))
            floor = figures.get(("floor", s))
            if not f:
                cells.append("")
                continue
            text = f"{f['median_ms']:.3f}"
            if f.get("p95_ms") is not None:
                text += f" / {f['p95_ms']:.3f}"
            if floor and row != "floor" and floor["median_ms"] > 0:
                text += f" ({f['median_ms'] / floor['median_ms']:.1f}x)"
            cells.append(text)
        if any(cells):
            out.append(f"| {row} | " + " | ".join(cells) + f" | {what} |")
    for s in sizes:
        c = figures.get(("command", s))
        if c and "region" in c:
            ran = c.get("recognizer_runs")
            extra = "" if ran is None else (f", recogniser run {ran} times" if ran else ", no recogniser run by the command")
            notes.append(f"- command at {s[0]}x{s[1]}: region {c['region']}{extra}")
    ocr = [e for e in entries if e.get("row") == "ocr" and "text" in e]
    if ocr:
        notes.append(f"- ocr recognised: {ocr[-1]['text']!r}")
    for e in entries:
        if e.get("row") == "check":
            verdict = "identical" if e["mismatches"] == 0 else f"{e['mismatches']} steps differ (first {e['first_bad']})"
            notes.append(f"- RenderSelection against the full composition at {e['w']}x{e['h']}, {e['steps']} steps of one drag: {verdict}")
    steps = [e for e in entries if e.get("row", "").startswith("command-step:")]
    if steps:
        out += ["", "## the capture command's steps, one by one", "",
                "| step | screen | median / p95 ms | median / floor |", "|---|---|---|---|"]
        for e in steps:
            floor = figures.get(("floor", size_key(e)))
            ratio = f"{e['median_ms'] / floor['median_ms']:.1f}x" if floor and floor["median_ms"] > 0 else ""
            out.append(f"| {e['row'].split(':', 1)[1]} | {e['w']}x{e['h']} | "
                       f"{e['median_ms']:.3f} / {e['p95_ms']:.3f} | {ratio} |")
    memory = [e for e in entries if e.get("row") == "memory"]
    if memory:
        out += ["", "## memory (one confirmed capture)", "",
                "| screen | region | working set before | peak during capture | peak growth | frozen screen copy | growth / copy |",
                "|---|---|---|---|---|---|---|"]
        for m in sorted(memory, key=lambda m: (m["w"] * m["h"], m.get("region", ""))):
            ratio = m["peak_growth_mb"] / m["frozen_mb"] if m["frozen_mb"] else 0
            out.append(f"| {m['w']}x{m['h']} | {m.get('region', '')} | {m['ws_before_mb']:.1f} MB | {m['peak_mb']:.1f} MB | "
                       f"{m['peak_growth_mb']:.1f} MB | {m['frozen_mb']:.1f} MB | {ratio:.2f}x |")
    endurance = [e for e in entries if e.get("row") == "endurance"]
    if endurance:
        out += ["", "## endurance (captures confirmed and cancelled by turns)", "",
                "| after capture | via | host allocator | GDI table entries | GetGuiResources GDI / USER | windows | "
                "GetProcessHandleCount | handles probed | working set |",
                "|---|---|---|---|---|---|---|---|---|"]
        for e in endurance:
            out.append(f"| {e['capture']} | {e['via']} | {e.get('host_allocator', '')} | {e['gdi_table']} | {e['gui_gdi']} / {e['gui_user']} | "
                       f"{e['windows']} | {e['handle_count']} | {e['handles_probed']} | {e['ws_mb']:.1f} MB |")
    if notes:
        out += ["", "Notes:"] + notes
    print("\n".join(out))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build/bench/raw.jsonl")
