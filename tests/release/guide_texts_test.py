#!/usr/bin/env python3
"""The guides quote the program's own words: every menu, button, option and message text a guide
quotes (「...」 in Japanese, "..." holding Japanese in English) must occur among the strings of
the built DLL, as code page 932 bytes or as UTF-16. A renamed button or message then fails here
instead of leaving users looking for a text that is not there.

  guide_texts_test.py --dll Zeldrium.dll GUIDE...
"""
import argparse
import re
import sys

JAPANESE = r"[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]"


def quoted(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    found = re.findall(r"「([^」]+)」", text)
    # Quoted English words are prose; only quotes holding Japanese name the program's texts.
    found += [q for q in re.findall(r'"([^"\n]+)"', text) if re.search(JAPANESE, q)]
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dll", required=True)
    parser.add_argument("guides", nargs="+")
    args = parser.parse_args()
    with open(args.dll, "rb") as f:
        program = f.read()
    checked = 0
    missing = []
    for guide in args.guides:
        for text in quoted(guide):
            checked += 1
            if text.encode("cp932") not in program and text.encode("utf-16-le") not in program:
                missing.append(f"{guide}: 「{text}」")
    for line in missing:
        print("not among the program's texts: " + line)
    print(f"{checked} quoted texts checked, {len(missing)} missing")
    if checked == 0:
        print("no quoted text found: the guides were not read")
        return 1
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
