#!/usr/bin/env python3
"""bench_report: runs every benchmark program of the build a few times and
prints one Markdown table: figure, goal, the median over the runs, and the
ratio to the peer tool where there is one. A benchmark this script does not
know yet is run too and its output shown as it is."""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

NUM = r"([0-9]+(?:\.[0-9]+)?)"


class Figure:
    """One figure read from a benchmark's output: a regular expression with
    one number group, its unit, and its goal as text and as a test."""

    def __init__(self, label, pattern, unit, goal, meets=None, group=1):
        self.label, self.pattern, self.unit, self.goal = label, re.compile(pattern, re.M), unit, goal
        self.meets, self.group = meets, group


# The peer-tool ratios: (label, our figure, peer figure).
KNOWN = {
    "serial_latency": [
        Figure("Serial delivery delay, far end's last byte to OnReceiveData (5 ms quiet interval)",
               r"^\s*median " + NUM + r" ms \(", "ms", "≤ 6.0 ms (1 ms beyond the interval)",
               lambda v: v <= 6.0),
        Figure("Serial delivery delay, p99", r"p99 " + NUM + " ms", "ms", "(printed)"),
        Figure("CloseComm, reader receiving, writer writing (worst of 20)",
               r"writer writing.*\n\s*median [0-9.]+ ms, max " + NUM + " ms", "ms", "< 50 ms",
               lambda v: v < 50),
        Figure("CloseComm, writer blocked on a full line (worst of 20)",
               r"full line.*\n\s*median [0-9.]+ ms, max " + NUM + " ms", "ms", "< 50 ms",
               lambda v: v < 50),
    ],
    "bench_link_turnaround": [
        Figure("Link turnaround per block, reply's last byte to next request, 256 KiB on four units (median)",
               r"turnaround per block .*: median " + NUM + " ms", "ms",
               "≤ 6 ms (1 ms beyond the 5 ms interval)", lambda v: v <= 6.0),
        Figure("Link turnaround per block, p99", r"turnaround per block .*, p99 " + NUM + " ms", "ms",
               "≤ 8 ms (3 ms beyond the interval)", lambda v: v <= 8.0),
        Figure("256 KiB program run, one channel", r"program time: one channel " + NUM + " ms", "ms", "(base)"),
        Figure("256 KiB program run, four channels at once", r"four channels " + NUM + " ms, ratio", "ms",
               "≤ 1.2 × one channel"),
        Figure("Four channels against one channel", r"ratio " + NUM, "×", "≤ 1.2×", lambda v: v <= 1.2),
    ],
    "bench_hex_load": [
        Figure("HEX load, 4 MiB image from an 11.5 MB file (parse, store, bookkeeping)",
               r"our load:\s+[0-9.]+ s \(flash records\), " + NUM + r" s \(with metadata\)", "s",
               "≤ objcopy's time"),
        Figure("objcopy -I ihex -O binary, same file, metadata records cropped",
               r"^objcopy\s+" + NUM + " s", "s", "(peer)"),
        Figure("srec_cat -intel ... -binary, same file, metadata records cropped",
               r"^srec_cat\s+" + NUM + " s", "s", "(peer)"),
        Figure("HEX load, peak memory beyond the fixed buffers",
               r"peak memory beyond the fixed buffers: " + NUM + " MiB", "MiB", "< 16 MiB",
               lambda v: v < 16),
    ],
    "bench_projects": [
        Figure("Main hex view refresh after a 4 MiB load (new layout)",
               r"new layout " + NUM + " ms", "ms", "< 50 ms", lambda v: v < 50),
        Figure("CalcMainChecksums over 4 MiB", r"CalcMainChecksums over 4 MiB: " + NUM + " ms", "ms",
               "< 10 ms", lambda v: v < 10),
        Figure("Project save, 4 MiB image", r"project save of 4 MiB: " + NUM + " ms", "ms", "< 200 ms",
               lambda v: v < 200),
        Figure("Project load, 4 MiB image", r"load: " + NUM + " ms, result", "ms", "< 200 ms",
               lambda v: v < 200),
        Figure("Resident memory, main window with a 4 MiB image in all views",
               r"resident memory.*: " + NUM + " MB", "MB", "< 150 MB", lambda v: v < 150),
    ],
}
RATIOS = {
    "bench_hex_load": [("objcopy", 0, 1), ("srec_cat", 0, 2)],
}


def find_benchmarks(build):
    """Every executable file directly inside a subfolder of <build>/bench."""
    root = os.path.join(build, "bench")
    found = []
    for sub in sorted(os.listdir(root)) if os.path.isdir(root) else []:
        folder = os.path.join(root, sub)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and os.access(path, os.X_OK):
                found.append((name, path))
    return found


def run(path, runs):
    path = os.path.abspath(path)  # each benchmark runs in its own folder
    outputs = []
    for _ in range(runs):
        started = time.monotonic()
        p = subprocess.run([path], capture_output=True, text=True, cwd=os.path.dirname(path))
        outputs.append((p.returncode, p.stdout + p.stderr, time.monotonic() - started))
    return outputs


def fmt(v, unit):
    if unit == "×":
        return "%.2f" % v
    for limit, form in ((1, "%.3f"), (10, "%.2f"), (100, "%.1f")):
        if v < limit:
            return form % v
    return "%.0f" % v


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()

    rows, unknown, failures = [], [], []
    for name, path in find_benchmarks(args.build):
        print("running %s (%d runs)..." % (name, args.runs), file=sys.stderr)
        outputs = run(path, args.runs)
        for rc, text, _ in outputs:
            if rc != 0:
                failures.append("%s exited with %d:\n%s" % (name, rc, text))
        figures = KNOWN.get(name)
        if figures is None:
            unknown.append((name, outputs[-1][1]))
            continue
        medians = []
        for fig in figures:
            matches = [fig.pattern.search(text) for _, text, _ in outputs]
            values = [float(m.group(fig.group)) for m in matches if m]
            med = statistics.median(values) if values else None
            medians.append(med)
            rows.append([name, fig, med, len(values), ""])
        for peer, ours, theirs in RATIOS.get(name, []):
            a, b = medians[ours], medians[theirs]
            ratio = "ours / %s = %.2f" % (peer, a / b) if a is not None and b else "—"
            row = next(r for r in rows if r[1] is figures[ours])
            row[4] = (row[4] + "; " if row[4] else "") + ratio
        hex_row = next((r for r in rows if r[1] is figures[0]), None)
        if name == "bench_hex_load" and hex_row and medians[0] is not None and medians[1]:
            hex_row[1].meets = lambda v, peer=medians[1]: v <= peer

    print("| Figure | Goal | Measured (median of %d runs) | Ratio to peer tool |" % args.runs)
    print("|---|---|---|---|")
    for name, fig, med, count, ratio in rows:
        if med is None:
            measured = "not printed by %s" % name
        else:
            verdict = ""
            if fig.meets:
                verdict = " (met)" if fig.meets(med) else " (**not met**)"
            measured = "%s %s%s" % (fmt(med, fig.unit), fig.unit, verdict)
        print("| %s | %s | %s | %s |" % (fig.label, fig.goal, measured, ratio or ""))
    for name, text in unknown:
        print("\n%s (figures as printed):\n```\n%s```" % (name, text))
    for f in failures:
        print("\nFAILED: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
