#!/usr/bin/env python3
"""The release zip as a user gets it: made from the Windows tree the way ./dev dist makes it
(twice: the same bytes), unpacked into a fresh folder, checked file by file, and its DLL loaded by
the stand-in host for one scripted search. Run by CTest in the cross build, under Wine.

  release_test.py --build CROSS_BUILD_DIR --root REPO --version V
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imports  # noqa: E402

EXPECTED_FILES = [
    "Zeldrium.dll",
    "お読みください.txt",
    "README.txt",
    "LICENSE",
    "CHANGELOG.txt",
    "tools/zeldrium-find.exe",
]
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL", "COMDLG32.DLL",
               "SHELL32.DLL", "MSVCRT.DLL"}
BOM = b"\xef\xbb\xbf"

failures = []


def check(ok, what):
    ok = bool(ok)
    if not ok:
        failures.append(what)
        print("FAILED: " + what)
    return ok


def make_zip(args, out):
    subprocess.run([sys.executable, os.path.join(args.root, "release/make_zip.py"),
                    "--version", args.version, "--root", args.root, "--out", out,
                    "--dll", os.path.join(args.build, "bin/Zeldrium.dll"),
                    "--find", os.path.join(args.build, "tools/find/zeldrium-find.exe")],
                   check=True)
    with open(out, "rb") as f:
        return f.read()


def check_program(path, allowed):
    name = os.path.basename(path)
    headers = subprocess.run(["i686-w64-mingw32-objdump", "-h", path], capture_output=True,
                             text=True, check=True, env=imports.C_LOCALE).stdout
    debug = re.findall(r"\s(\.debug\S*)", headers)
    check(not debug, f"{name} carries no debug sections (has {debug})")
    found = imports.imports(path)
    check(found, f"{name} imports something")
    foreign = sorted({f.split("!")[0] for f in found} - SYSTEM_DLLS)
    check(not foreign, f"{name} imports only system DLLs (also {foreign})")
    unknown = sorted(found - allowed)
    check(not unknown, f"{name} imports nothing newer than Windows 7 (not known there: {unknown})")


def check_version(path, version):
    rc = subprocess.run(["i686-w64-mingw32-windres", "-i", path, "-O", "rc"], capture_output=True,
                        text=True, check=True, env=imports.C_LOCALE).stdout
    major, minor, patch = version.split(".")
    check(re.search(rf"FILEVERSION {major}, {minor}, {patch}, 0", rc), "FILEVERSION " + version)
    check(re.search(rf"PRODUCTVERSION {major}, {minor}, {patch}, 0", rc), "PRODUCTVERSION")
    for key, value in [("FileVersion", version), ("ProductVersion", version),
                       ("ProductName", "Zeldrium"), ("OriginalFilename", "Zeldrium.dll")]:
        check(f'VALUE "{key}", "{value}"' in rc, f'version resource {key} "{value}"')
    for key in ["FileDescription", "LegalCopyright"]:
        check(re.search(rf'VALUE "{key}", "[^"]+"', rc), f"version resource {key}")


def check_texts(folder, version):
    with open(os.path.join(folder, "お読みください.txt"), "rb") as f:
        raw = f.read()
    check(raw.startswith(BOM), "the Japanese guide starts with a byte-order mark")
    try:
        ja = raw[len(BOM):].decode("utf-8")
    except UnicodeDecodeError as e:
        check(False, f"the Japanese guide decodes as UTF-8 ({e})")
        ja = ""
    for words in ["プラグインフォルダ", "Zeldrium.dll", "起動し直", "Zeldrium.ini", "MIT", version]:
        check(words in ja, f"the Japanese guide names {words}")
    check("\r\n" in ja and "\n" not in ja.replace("\r\n", ""), "the Japanese guide ends its lines with CR LF")
    with open(os.path.join(folder, "README.txt"), encoding="utf-8") as f:
        en = f.read()
    check("plug-in folder" in en and version in en, "the English guide names the plug-in folder")
    with open(os.path.join(folder, "CHANGELOG.txt"), "rb") as f:
        log = f.read()
    check(log.startswith(BOM) and f"## {version}".encode() in log, "the change log names " + version)
    with open(os.path.join(folder, "LICENSE"), encoding="utf-8") as f:
        check("MIT License" in f.read(), "LICENSE is the MIT licence")


def check_search(args, folder, work):
    # The host's current folder is the fixture store's Inbox, where alice sent two mails.
    script = os.path.join(work, "search.script")
    with open(script, "w", encoding="utf-8") as f:
        f.write("open-folder Main.mb\\Inbox\\\nmenu main クイック検索...\nwait 300\n"
                "type alice\nkey Enter\nwait 1000\nwindows\nquit\n")
    host = os.path.join(args.build, "tools/standin_host/zeldrium-standin-host.exe")
    store = os.path.join(args.root, "tests/fixtures/store")
    run = subprocess.run(["wine", host, "--data", "Z:" + store, "--plugin",
                          "Z:" + os.path.join(folder, "Zeldrium.dll"), "--script", "Z:" + script],
                         capture_output=True, cwd=work, timeout=120)
    out = run.stdout.decode("utf-8", "replace")
    ok = check(run.returncode == 0, f"the scripted search succeeds (exit {run.returncode})")
    ok &= check("Hello | Alice <alice@example.com>" in out, "the search lists alice's mail 'Hello'")
    ok &= check(re.search(r"\b2 件", out), "the window counts two hits")
    if not ok:
        print(out[-3000:])


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", required=True)
    p.add_argument("--root", required=True)
    p.add_argument("--version", required=True)
    args = p.parse_args()
    args.build = os.path.abspath(args.build)
    args.root = os.path.abspath(args.root)
    with open(os.path.join(args.root, "tests/release/windows7_imports.txt"), encoding="utf-8") as f:
        allowed = {line.strip() for line in f if line.strip() and not line.startswith("#")}
    with tempfile.TemporaryDirectory() as work:
        first = make_zip(args, os.path.join(work, "one/Zeldrium.zip"))
        second = make_zip(args, os.path.join(work, "two/Zeldrium.zip"))
        check(first == second, "the same tree gives the same zip bytes")
        folder = os.path.join(work, "unpacked")
        with zipfile.ZipFile(os.path.join(work, "one/Zeldrium.zip")) as z:
            check([i.filename for i in z.infolist()] == EXPECTED_FILES,
                  f"the zip holds {EXPECTED_FILES}")
            z.extractall(folder)
        check_program(os.path.join(folder, "Zeldrium.dll"), allowed)
        check_program(os.path.join(folder, "tools/zeldrium-find.exe"), allowed)
        check_version(os.path.join(folder, "Zeldrium.dll"), args.version)
        check_texts(folder, args.version)
        check_search(args, folder, work)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
