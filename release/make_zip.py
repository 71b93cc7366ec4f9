#!/usr/bin/env python3
"""Writes the release zip of Zeldrium: the plug-in, its guides, licence, change log and the
command-line tool, the same bytes for the same inputs (fixed times, order and attributes).

  make_zip.py --version V --dll Zeldrium.dll --find zeldrium-find.exe --root REPO --out ZIP
              [--strip i686-w64-mingw32-strip]

The programs are stripped of their symbols and debug sections on copies. The texts are given
Windows line ends; those holding Japanese also a UTF-8 byte-order mark, so that every Windows
editor shows them right.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

# 2026-01-01 00:00:00: a zip stores local times without a zone, from 1980 on.
FIXED_TIME = (2026, 1, 1, 0, 0, 0)
BOM = b"\xef\xbb\xbf"


def text(path, version, bom):
    with open(path, encoding="utf-8") as f:
        body = f.read().replace("@VERSION@", version)
    body = body.replace("\r\n", "\n").replace("\n", "\r\n")
    return (BOM if bom else b"") + body.encode("utf-8")


def stripped(path, strip, work):
    copy = os.path.join(work, os.path.basename(path))
    shutil.copyfile(path, copy)
    subprocess.run([strip, "--strip-all", copy], check=True)
    with open(copy, "rb") as f:
        data = bytearray(f.read())
    # strip writes the time of day into the PE header, which the linker was told to leave out:
    # the header's TimeDateStamp, eight bytes past the "PE\0\0" signature, goes back to 0.
    pe = int.from_bytes(data[0x3C:0x40], "little")
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit(f"{path}: not a PE file")
    data[pe + 8:pe + 12] = bytes(4)
    # Its checksum covered the time: made again over the file as it is now.
    at = pe + 24 + 64
    data[at:at + 4] = bytes(4)
    data[at:at + 4] = pe_checksum(data).to_bytes(4, "little")
    return bytes(data)


def pe_checksum(data):
    """The PE image checksum: 16-bit words added with their carries folded in, plus the length."""
    padded = data + (b"\0" if len(data) % 2 else b"")
    total = 0
    for i in range(0, len(padded), 2):
        total += padded[i] | padded[i + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(data)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--version", required=True)
    p.add_argument("--dll", required=True)
    p.add_argument("--find", required=True)
    p.add_argument("--root", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--strip", default="i686-w64-mingw32-strip")
    a = p.parse_args()
    root = a.root
    with tempfile.TemporaryDirectory() as work:
        # In the order a reader meets them.
        entries = [
            ("Zeldrium.dll", stripped(a.dll, a.strip, work), 0o755),
            ("お読みください.txt", text(os.path.join(root, "release/readme_ja.txt"), a.version, True), 0o644),
            ("README.txt", text(os.path.join(root, "release/readme_en.txt"), a.version, False), 0o644),
            ("LICENSE", text(os.path.join(root, "LICENSE"), a.version, False), 0o644),
            ("CHANGELOG.txt", text(os.path.join(root, "CHANGELOG.md"), a.version, True), 0o644),
            ("tools/zeldrium-find.exe", stripped(a.find, a.strip, work), 0o755),
        ]
    os.makedirs(os.path.dirname(os.path.abspath(a.out)), exist_ok=True)
    partial = a.out + ".part"
    with zipfile.ZipFile(partial, "w") as z:
        for name, data, mode in entries:
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the modes below mean what they say
            info.external_attr = (0o100000 | mode) << 16
            z.writestr(info, data, compresslevel=9)
    os.replace(partial, a.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
