#!/usr/bin/env python3
"""check_run: the lines of a good run, read back after the acceptance run:
the saved exit log of the programmer application, the emulated units' record
of the requests they received, and what each unit's chip holds."""
import argparse
import glob
import os
import re
import sys

UNITS = 4
CHIP = "CY8C27443"
UNIT_NAME = "Telvic200Cy_GangUnit_V9.1"
BLOCKS = 4  # 16 KiB of flash in 4 KiB blocks

# Per channel, in this order; {n} is the channel number. The start lines of the
# two commands differ between the builds; the per-channel results do not.
START_LINES = {
    "zh": ["编程器{n} ：下载数据......", "芯片{n} ：开始自动编程，芯片擦除......"],
    "en": ["> Programmer {n} : Download......", "Chip {n} : Auto Programing, do balnk check......"],
}
DOWNLOAD_DONE = ["编程器{n} ：下载Mian Flash Data......", "编程器{n} ：数据下载成功！"]
AUTO_DONE = ["芯片{n} ：擦除芯片操作成功！", "芯片{n} ：开始芯片编程...", "芯片{n} ：编程操作成功！",
             "芯片{n} ：开始数据校验......", "芯片{n} ：数据校验成功！", "芯片{n} ：写Security Data...",
             "芯片{n} ：写Security Data操作成功！", "芯片{n} ：芯片烧写成功！"]
BAD_WORDS = ["超时", "错误", "Time Out", "失败"]

# Per unit, in this order: identify, configuration, the flash blocks, RESTX,
# then erase, the program blocks, verify (0x53) and the security write (0x35).
REQUESTS = (["A3", r"53:\d+"] + ["55:%d" % (4 * b) for b in range(BLOCKS)] + [r"8A:\d+", "93:3"]
            + ["95:%d" % (4 * b) for b in range(BLOCKS)] + ["93:83", "93:53"])


def channel_lines(lang, n):
    start_dl, start_auto = START_LINES[lang]
    return ([("found", "找到设备{n} ：" + UNIT_NAME + "!"), ("download start", start_dl)]
            + [("download", t) for t in DOWNLOAD_DONE]
            + [("auto start", start_auto)] + [("auto", t) for t in AUTO_DONE])


def check_log(lines, lang, errors):
    if not any('Chip "%s" is selectd' % CHIP in l for l in lines):
        errors.append("log: no line that chip %s was chosen" % CHIP)
    if not any(l.startswith('Load object file of "') and l.find(".hex") > 0 for l in lines):
        errors.append("log: no object-file load line")
    for n in range(1, UNITS + 1):
        at = 0
        for what, text in channel_lines(lang, n):
            want = text.format(n=n)
            found = next((i for i in range(at, len(lines)) if lines[i].endswith(want)), None)
            if found is None:
                errors.append("log, channel %d: missing (after line %d) %s line: %s" % (n, at + 1, what, want))
            else:
                at = found + 1
    for l in lines:
        if any(w in l for w in BAD_WORDS):
            errors.append("log: failure line: " + l)


def check_record(record, errors):
    per_unit = {u: [] for u in range(1, UNITS + 1)}
    for line in record:
        unit, _, rest = line.partition(" ")
        if rest.startswith("error"):
            errors.append("unit %s saw a protocol violation: %s" % (unit, rest))
        elif unit.isdigit() and int(unit) in per_unit:
            per_unit[int(unit)].append(rest)
    for u, got in per_unit.items():
        if len(got) != len(REQUESTS) or not all(re.fullmatch(p, g) for p, g in zip(REQUESTS, got)):
            errors.append("unit %d requests: got %s, want %s" % (u, " ".join(got), " ".join(REQUESTS)))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--lang", choices=["zh", "en"], required=True)
    ap.add_argument("--app-dir", required=True)
    ap.add_argument("--record", required=True)
    ap.add_argument("--dump", required=True, help="prefix of the units' chip dumps")
    ap.add_argument("--image", required=True, help="the flash image the HEX file holds")
    args = ap.parse_args()
    errors = []

    logs = sorted(glob.glob(os.path.join(args.app_dir, "Log", "CY_*.log")))
    if len(logs) != 1:
        errors.append("want one saved log in %s/Log, found %d" % (args.app_dir, len(logs)))
    else:
        with open(logs[0], encoding="utf-8") as f:
            check_log(f.read().splitlines(), args.lang, errors)
    with open(args.record) as f:
        check_record(f.read().splitlines(), errors)
    with open(args.image, "rb") as f:
        image = f.read()
    for u in range(1, UNITS + 1):
        with open("%s%d.bin" % (args.dump, u), "rb") as f:
            if f.read(len(image)) != image:
                errors.append("unit %d: the chip's flash differs from the HEX image" % u)

    for e in errors:
        print("FAIL:", e)
    if errors:
        return 1
    print("acceptance (%s): %d channels, log lines, requests and chip contents as in a good run"
          % (args.lang, UNITS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
