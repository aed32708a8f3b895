#!/usr/bin/env python3
"""make-demo-hex: writes the demonstration's object file, a PSoC 1 Intel HEX
image for a CY8C27443 (16 KiB flash in 64-byte blocks), with its security
record block and its checksum record, and optionally the same flash image as
a raw binary so a run can be compared with what the units programmed."""
import argparse
import os
import sys

FLASH_BYTES = 16 * 1024
RECORD_BYTES = 64          # data bytes per HEX line, one flash block
SECURITY_BYTES = 64        # one protection byte per four 64-byte blocks
SECURITY_EXT = 0x0010      # extended linear address 0x00100000
CHECKSUM_EXT = 0x0020      # extended linear address 0x00200000
BANNER = b"Telvic200Cy demonstration image - four emulated units\x00"
BANNER_AT = 0x0100


def record(rtype, addr, data):
    body = bytes([len(data), (addr >> 8) & 0xFF, addr & 0xFF, rtype]) + data
    check = (-sum(body)) & 0xFF
    return ":" + body.hex().upper() + "%02X" % check


def flash_image():
    img = bytearray(((i * 7) ^ (i >> 6)) & 0xFF for i in range(FLASH_BYTES))
    img[BANNER_AT:BANNER_AT + len(BANNER)] = BANNER
    return bytes(img)


def hex_lines(img):
    lines = [record(4, 0, bytes([0, 0]))]
    for at in range(0, len(img), RECORD_BYTES):
        lines.append(record(0, at, img[at:at + RECORD_BYTES]))
    lines.append(record(4, 0, SECURITY_EXT.to_bytes(2, "big")))
    lines.append(record(0, 0, bytes(SECURITY_BYTES)))
    lines.append(record(4, 0, CHECKSUM_EXT.to_bytes(2, "big")))
    lines.append(record(0, 0, (sum(img) & 0xFFFF).to_bytes(2, "big")))
    lines.append(record(1, 0, b""))
    return lines


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("out", help="HEX file to write")
    ap.add_argument("--bin", help="also write the flash image as a raw binary")
    args = ap.parse_args()
    img = flash_image()
    # Written aside and renamed: a program loading the file never sees half of it.
    write_whole(args.out, ("\r\n".join(hex_lines(img)) + "\r\n").encode("ascii"))
    if args.bin:
        write_whole(args.bin, img)
    return 0


def write_whole(path, data):
    part = "%s.%d.part" % (path, os.getpid())
    with open(part, "wb") as f:
        f.write(data)
    os.replace(part, path)


if __name__ == "__main__":
    sys.exit(main())
