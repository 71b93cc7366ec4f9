"""The functions a PE file imports, as DLL!Function, read from objdump -p."""
import os
import re
import subprocess

# The tools' own words, whatever language the session runs in (under Wine it is Japanese).
C_LOCALE = dict(os.environ, LC_ALL="C", LANGUAGE="C")


def imports(path, objdump="i686-w64-mingw32-objdump"):
    out = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True,
                         env=C_LOCALE).stdout
    start = out.find("The Import Tables")
    if start < 0:
        return set()
    section = out[start:]
    end = section.find("The Export Tables")
    if end >= 0:
        section = section[:end]
    found, dll = set(), None
    for line in section.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).upper()
            continue
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+([A-Za-z_]\w*)\s*$", line)
        if m and dll:
            found.add(dll + "!" + m.group(1))
    return found
