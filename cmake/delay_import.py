#!/usr/bin/env python3
"""Makes a delay-import library from a MinGW import library.

  delay_import.py NM DLLTOOL IMPORT_LIB DLL MACHINE OUT_LIB

A program linked against OUT_LIB instead of IMPORT_LIB does not import DLL:
it loads DLL at the first call of one of its functions (through the run-time
library's __delayLoadHelper2), after the program's entry has restricted the
DLL search to the system folder. MACHINE is i386 or amd64.
"""
import os
import re
import subprocess
import sys


def exported_names(nm, import_lib, machine):
    out = subprocess.run([nm, import_lib], check=True, capture_output=True, text=True).stdout
    names = set()
    for match in re.finditer(r"^\s*[0-9a-fA-F]*\s+I __imp_(\S+)$", out, re.M):
        name = match.group(1)
        if machine == "i386":
            name = name[1:] if name.startswith("_") else name
        names.add(name)
    return sorted(names)


def main():
    if len(sys.argv) != 7:
        raise SystemExit(__doc__)
    nm, dlltool, import_lib, dll, machine, out_lib = sys.argv[1:]
    names = exported_names(nm, import_lib, machine)
    if not names:
        raise SystemExit("%s: no imports found" % import_lib)
    definition = out_lib + ".def"
    with open(definition, "w") as f:
        f.write("LIBRARY %s\nEXPORTS\n" % dll)
        f.writelines("  %s\n" % n for n in names)
    arch = {"i386": "i386", "amd64": "i386:x86-64"}[machine]
    command = [dlltool, "-m", arch, "-D", dll, "-d", definition, "-y", out_lib]
    if machine == "i386":
        command.insert(1, "-k")  # import CreateWindowExW, not CreateWindowExW@48
    subprocess.run(command, check=True)
    os.remove(definition)


if __name__ == "__main__":
    main()
