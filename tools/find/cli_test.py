#!/usr/bin/env python3
"""zeldrium-find as a user runs it, its output read back by real parsers.

    cli_test.py --program PATH [--emulator wine] [--root Z:] CASE

Each case makes a store of its own in a temporary directory, runs the program over it (under the
emulator for the Windows build, which sees the Unix root as drive --root) and checks what it
printed. Exit status 0 when the case holds.
"""

import argparse
import csv
import datetime
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile

CASES = {}


def case(function):
    CASES[function.__name__] = function
    return function


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def shorter(value):
    text = repr(value)
    return text if len(text) < 3000 else text[:3000] + "..."


def equal(got, want, what):
    check(got == want, f"{what}:\n  got  {shorter(got)}\n  want {shorter(want)}")


class Program:
    def __init__(self, path, emulator, root):
        self.command = ([emulator] if emulator else []) + [path]
        self.root = root

    def arg_path(self, unix_path):
        """A path as an argument: the program's view of a Unix path."""
        return self.root + unix_path

    def shown_path(self, unix_path):
        """A path as the program writes it in its messages."""
        return (self.root + unix_path).replace("/", "\\") if self.root else unix_path

    def run(self, *args, stdout=subprocess.PIPE):
        return subprocess.run(self.command + list(args), stdout=stdout, stderr=subprocess.PIPE,
                              stdin=subprocess.DEVNULL, timeout=120)


# Index lines. A text is made of pieces: a str stands for itself (written in code page 932), a
# (bytes, str) pair for bytes and what they read as.
def encode(pieces):
    data, text = b"", ""
    for piece in pieces:
        if isinstance(piece, str):
            data += piece.encode("cp932")
            text += piece
        else:
            data += piece[0]
            text += piece[1]
    return data, text


# The core trims every field of the bytes 0x00 to 0x20.
BLANKS = "".join(chr(c) for c in range(0x21))
BAD = "\ufffd"  # a byte that is no code page 932 character


class Mail:
    def __init__(self, folder, key, subject, sender, to, date):
        self.folder = folder  # the folder ID, "box.mb\\Inbox\\"
        self.key = key
        self.subject_bytes, subject = encode(subject)
        self.from_bytes, self.sender = encode(sender)
        self.to_bytes, self.to = encode(to)
        self.subject = subject.strip(BLANKS) or "(無題)"
        self.sender = self.sender.strip(BLANKS)
        self.to = self.to.strip(BLANKS)
        self.date_field = date
        self.unix = int(date, 16) & 0xFFFFFFFF
        shown = datetime.datetime(1970, 1, 1) + datetime.timedelta(
            seconds=(self.unix + 32400) & 0xFFFFFFFF)
        self.shown = (self.unix + 32400) & 0xFFFFFFFF
        self.date = shown.strftime("%Y/%m/%d %H:%M:%S")
        self.date_iso = shown.strftime("%Y-%m-%dT%H:%M:%S") + "+09:00"

    def line(self):
        fields = [b"1", self.key.encode("cp932"), b"0", self.subject_bytes, self.from_bytes,
                  self.to_bytes, b"<spare>", b"0", self.date_field.encode(), b"extra"]
        return b"\x01".join(fields) + b"\r\n"

    def mail_id(self):
        return self.folder + "?" + self.key


def blank_controls(text):
    return "".join(" " if ord(c) < 0x20 or ord(c) == 0x7F else c for c in text)


def make_dirs_and_index(root, folder_id, data):
    """Writes data as the index of folder_id below root; names on disk are UTF-8."""
    parts = [p for p in folder_id.split("\\") if p]
    directory = os.path.join(root.encode(), *[p.encode("utf-8") for p in parts])
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, b"Folder.idx"), "ab") as f:
        f.write(data)


# Texts a parser chokes on when the output is not what it claims to be.
HOSTILE = [
    Mail("Main.mb\\Inbox\\", "1", ['say "hi" \\ then /go/ </script>'], ["Alice <a@x>"],
         ["bob"], "5f5e1000"),
    Mail("Main.mb\\Inbox\\", "2", ["tab\there\nLF \x02\x07\x08\x0c\x1b\x1f\x7f end"],
         ["\\u0000 and \\n as text"], ["to"], "5f5e1000"),
    Mail("Main.mb\\Inbox\\", "3", ["ソ表能 kana ｱｲｳ full ＡＢＣ ～ ∥"], ["山田 太郎"],
         ["a,b \"c\""], "5f5e1000"),
    Mail("Main.mb\\Inbox\\", "4", ["bad ", (b"\x80", BAD), " ", (b"\xa0", BAD), " ",
                                   (b"\xfd\xfe\xff", BAD * 3), " end"],
         [(b"\xff", BAD), "x"], ["y"], "0"),
    Mail("Main.mb\\Inbox\\", "5", ["   "], ["  padded  "], [""], "FFFFFFFF"),
    Mail("日本語 box.mb\\ソ表能\\", "<id@example.jp>", ["x" * 5000], ["z"], ["w"],
         "0000000005f5e1000"),
    Mail("日本語 box.mb\\ソ表能\\深い\\", "6", ["deep"], ["d"], ["e"], "1005F5E1000"),
    Mail("日本語 box.mb\\", "7", ["mailbox's own"], ["m"], ["n"], "7fffffff"),
    Mail("a,b.mb\\", "8", ["comma box"], ["c"], ["d"], "5f5e0fff"),
    Mail("a,b.mb\\", "9", ["same second"], ["c"], ["d"], "5f5e0fff"),
]
# Folders a search of the whole store never reads, and their line counts for --list-folders.
HIDDEN = [("Main.mb\\NoIndex\\Below\\", "hidden")]
# Matches every line: a NOT row for a word no From holds, the other rows inactive.
EVERY_LINE = "all,0,,2,0,0,0,zzz-never-zzz" + ",0,-1,0,0," * 4


def hostile_store(root):
    for mail in HOSTILE:
        make_dirs_and_index(root, mail.folder, mail.line())
    # A blank line and a short one hold no mail.
    make_dirs_and_index(root, "Main.mb\\Inbox\\", b"\r\n1\x012\r\n")
    for folder, subject in HIDDEN:
        make_dirs_and_index(root, folder, Mail(folder, "h", [subject], ["h"], ["h"], "1").line())


def run_ok(program, *args):
    result = program.run(*args)
    equal(result.returncode, 0, f"exit status of {args}, stderr {result.stderr!r}")
    equal(result.stderr, b"", f"standard error of {args}")
    return result.stdout


def check_newest_first(shown_dates, what):
    check(all(a >= b for a, b in zip(shown_dates, shown_dates[1:])),
          f"{what}: not newest first: {shown_dates}")


@case
def round_trip(program, tmp):
    hostile_store(tmp)
    data = program.arg_path(tmp)
    want = sorted((m.date, m.date_iso, m.unix, m.folder, m.subject, m.sender, m.to, m.mail_id())
                  for m in HOSTILE)

    # JSON: one array; every text as stored, the dates as shown and as the mail's own time.
    hits = json.loads(run_ok(program, "-d", data, "--cond", EVERY_LINE, "--format", "json")
                      .decode("utf-8"))
    check(isinstance(hits, list), "the JSON is not an array")
    for hit in hits:
        equal(sorted(hit), sorted(["date", "date_iso", "unix", "folder", "subject", "from", "to",
                                   "mail_id"]), "the keys of a hit")
    got = sorted((h["date"], h["date_iso"], h["unix"], h["folder"], h["subject"], h["from"],
                  h["to"], h["mail_id"]) for h in hits)
    equal(got, want, "the JSON read back")
    check_newest_first([next(m.shown for m in HOSTILE if m.mail_id() == h["mail_id"])
                        for h in hits], "JSON")

    # TSV: five fields a line, as a tab-separated reader without quoting sees them.
    text = run_ok(program, "-d", data, "--cond", EVERY_LINE, "--format", "tsv").decode("utf-8")
    rows = list(csv.reader(text.split("\n")[:-1], delimiter="\t", quoting=csv.QUOTE_NONE))
    equal(sorted(tuple(r) for r in rows),
          sorted((m.date, m.folder, blank_controls(m.subject), blank_controls(m.sender),
                  m.mail_id()) for m in HOSTILE), "the TSV read back")

    # TSV with --raw: the same in code page 932 bytes, invalid bytes left as they are.
    raw = run_ok(program, "-d", data, "--cond", EVERY_LINE, "--format", "tsv", "--raw")
    raw_rows = sorted(tuple(line.split(b"\t")) for line in raw.split(b"\n")[:-1])

    def raw_field(data, empty=b""):
        data = data.strip(BLANKS.encode()) or empty
        return bytes(0x20 if b < 0x20 or b == 0x7F else b for b in data)

    equal(raw_rows, sorted((m.date.encode(), m.folder.encode("cp932"),
                            raw_field(m.subject_bytes, "(無題)".encode("cp932")),
                            raw_field(m.from_bytes), m.mail_id().encode("cp932"))
                           for m in HOSTILE), "the raw TSV read back")

    # --list-folders: every folder with an index that a search reads, with its mails.
    folders = {}
    for m in HOSTILE:
        folders[m.folder] = folders.get(m.folder, 0) + 1
    listed = json.loads(run_ok(program, "-d", data, "--list-folders", "--format", "json")
                        .decode("utf-8"))
    equal(sorted((f["folder"], f["lines"]) for f in listed), sorted(folders.items()),
          "--list-folders as JSON")
    ids = [f["folder"] for f in listed]
    for i, folder in enumerate(ids):
        parent = folder[:folder[:-1].rfind("\\") + 1]
        if parent in ids:
            check(ids.index(parent) < i, f"{folder} is listed before {parent}")
    tsv = run_ok(program, "-d", data, "--list-folders").decode("utf-8")
    equal(sorted(tuple(r) for r in csv.reader(tsv.split("\n")[:-1], delimiter="\t",
                                              quoting=csv.QUOTE_NONE)),
          sorted((f, str(n)) for f, n in folders.items()), "--list-folders as TSV")


@case
def limit_agrees(program, tmp):
    """--limit N prints what the whole list would begin with, in either order."""
    hostile_store(tmp)
    data = program.arg_path(tmp)
    every = run_ok(program, "-d", data, "--cond", EVERY_LINE).splitlines(keepends=True)
    equal(len(every), len(HOSTILE), "the number of hits")
    oldest = run_ok(program, "-d", data, "--cond", EVERY_LINE, "--oldest-first")
    equal(oldest.splitlines(keepends=True), every[::-1], "--oldest-first")
    for n in [1, 2, 5, len(every), len(every) + 3]:
        newest_n = run_ok(program, "-d", data, "--cond", EVERY_LINE, "-n", str(n))
        equal(newest_n.splitlines(keepends=True), every[:n], f"-n {n}")
        oldest_n = run_ok(program, "-d", data, "--cond", EVERY_LINE, "--limit", str(n),
                          "--oldest-first")
        equal(oldest_n.splitlines(keepends=True), every[::-1][:n], f"--limit {n} --oldest-first")


@case
def closed_pipe(program, tmp):
    """A reader that went away (a pipe into head): exit 0, nothing on standard error."""
    hostile_store(tmp)
    data = program.arg_path(tmp)
    for args in [["-d", data, "--cond", EVERY_LINE], ["-d", data, "--cond", EVERY_LINE, "-c"],
                 ["-d", data, "--cond", EVERY_LINE, "--format", "json", "-n", "3"],
                 ["-d", data, "--list-folders"], ["--help"], ["--version"]]:
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            result = program.run(*args, stdout=write_end)
        finally:
            os.close(write_end)
        equal((result.returncode, result.stderr), (0, b""), f"{args} into a closed pipe")


def unreadable_store(tmp, with_socket):
    """Bad.mb with a sound folder and indexes that cannot be opened or read. Reading a process's
    memory at address 0 fails even for root, who reads any file whatever its mode; a socket
    cannot be opened as a file (Wine does not take one for a file at all)."""
    make_dirs_and_index(tmp, "Bad.mb\\Good\\",
                        Mail("Bad.mb\\Good\\", "k", ["subj"], ["me"], ["you"], "5f5e1000").line())
    bad = []
    os.makedirs(os.path.join(tmp, "Bad.mb", "Memory"))
    os.symlink("/proc/self/mem", os.path.join(tmp, "Bad.mb", "Memory", "Folder.idx"))
    bad.append("Memory")
    if with_socket:
        os.makedirs(os.path.join(tmp, "Bad.mb", "Socket"))
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(os.path.join(tmp, "Bad.mb", "Socket", "Folder.idx"))
        bad.append("Socket")
    return bad


def check_error_lines(program, stderr, paths, what):
    """Standard error holds one line per file, each naming its file once."""
    lines = stderr.decode("utf-8").splitlines(keepends=True)
    equal(len(lines), len(paths), f"{what}: lines on standard error {lines}")
    for path in paths:
        shown = program.shown_path(path)
        line = next((l for l in lines if shown in l), None)
        check(line is not None, f"{what}: no line names {shown}: {lines}")
        check(re.fullmatch(re.escape(f"zeldrium-find: {shown}: ") + r"[^\n]*\S\n", line),
              f"{what}: not the line of an unreadable file: {line!r}")
        equal(line.count(shown), 1, f"{what}: how often {line!r} names the file")


@case
def unreadable_index(program, tmp):
    bad = unreadable_store(tmp, with_socket=not program.root)
    data = program.arg_path(tmp)
    for folder in bad:
        index = f"{tmp}/Bad.mb/{folder}/Folder.idx"
        result = program.run("-d", data, "-s", "subj", "--folder", f"Bad.mb/{folder}/")
        equal(result.returncode, 1, f"exit status for {folder}")
        equal(result.stdout, b"", f"standard output for {folder}")
        check_error_lines(program, result.stderr, [index], folder)

    # --keep-going: every other folder searched, its hits printed, every error said.
    result = program.run("-d", data, "-s", "subj", "--keep-going")
    equal(result.returncode, 1, "exit status with --keep-going")
    equal(result.stdout.decode("utf-8"),
          "2020/09/13 21:26:40\tBad.mb\\Good\\\tsubj\tme\tBad.mb\\Good\\?k\n",
          "standard output with --keep-going")
    check_error_lines(program, result.stderr,
                      [f"{tmp}/Bad.mb/{folder}/Folder.idx" for folder in bad], "--keep-going")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator", default="")
    parser.add_argument("--root", default="")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    program = Program(args.program, args.emulator, args.root)
    tmp = tempfile.mkdtemp(prefix="zeldrium-find-")
    try:
        CASES[args.case](program, tmp)
    except Failure as failure:
        print(f"{args.case}: {failure}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{args.case}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
