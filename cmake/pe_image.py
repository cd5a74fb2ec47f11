#!/usr/bin/env python3
"""Post-link step and static checks for the executables that carry a package.

  pe_image.py move-header EXE        move the PE header to offset 256
  pe_image.py check EXE MACHINE      check an image that carries packages
  pe_image.py check-tool EXE MACHINE check a plain program (no header move)
  pe_image.py imports EXE            fail unless EXE imports the program image's DLLs only
MACHINE is i386 or amd64. The checks print the image's size; an image that
carries packages must have no debug sections (they would travel with every
installer), and the 32-bit one must stay under MAX_CARRIER_SIZE.

Bytes 136..139 of an installer hold the position of its package. GNU ld puts
the PE header at 128, right over them, so the header block is moved to 256.
"""
import struct
import sys

HEADER_AT = 256
# The image travels in every installer a publisher ships. It took 828 KiB
# before its C libraries were built for size, the C++ and C run-time parts it
# did not need (the demangler, C99 printf and scanf) left it and it was
# optimised as one program at its link; the limit holds what that saved,
# with a few KiB to spare.
MAX_CARRIER_SIZE = 570 * 1024
# What the program image may import: DLLs that Windows always maps from the
# system folder (its known DLLs) and that import only such DLLs themselves,
# under Wine too (ntdll.dll is in every process before the image). Every other DLL (user32, gdi32, the common controls, shell32,
# ole32, ...) is delay-loaded after the entry has restricted the DLL search
# to the system folder; version.dll, msimg32.dll, riched20.dll and the like
# are loaded from the system folder by name, never imported.
IMAGE_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "ntdll.dll"}
# The tools (zpbuild) run with the publisher's own rights: system DLLs.
SYSTEM_DLLS = IMAGE_DLLS | {
    "comctl32.dll", "comdlg32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "ntdll.dll", "bcrypt.dll",
}


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise SystemExit("not an MZ image")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise SystemExit("no PE signature at e_lfanew")
        (self.machine, self.nsec, _, _, _, self.optsize, _) = struct.unpack_from("<HHIIIHH", data, self.pe + 4)
        self.opt = self.pe + 24
        self.magic = struct.unpack_from("<H", data, self.opt)[0]
        self.sections = []
        for i in range(self.nsec):
            off = self.opt + self.optsize + 40 * i
            name = data[off:off + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, off + 8)
            self.sections.append((name, va, max(vsize, rawsize), rawptr))

    def debug_sections(self):
        # GNU ld keeps long section names (".debug_info") in the string table
        # and writes "/NN" in the header.
        return [n for n, _, _, _ in self.sections if n.startswith(".debug") or n.startswith("/")]

    def header_len(self):
        return 24 + self.optsize + 40 * self.nsec

    def size_of_headers(self):
        return struct.unpack_from("<I", self.data, self.opt + 60)[0]

    def directory(self, index):
        base = self.opt + (96 if self.magic == 0x10B else 112)
        return struct.unpack_from("<II", self.data, base + 8 * index)

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise SystemExit("RVA 0x%x lies in no section" % rva)

    def imports(self):
        rva, size = self.directory(1)
        names = []
        if not rva:
            return names
        off = self.offset(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, off + 12)[0]
            if name_rva == 0:
                return names
            p = self.offset(name_rva)
            names.append(self.data[p:self.data.index(b"\0", p)].decode("ascii").lower())
            off += 20

    def resource_types(self):
        rva, _ = self.directory(2)
        if not rva:
            return []
        off = self.offset(rva)
        named, ids = struct.unpack_from("<HH", self.data, off + 12)
        entries = off + 16 + 8 * named
        return [struct.unpack_from("<I", self.data, entries + 8 * i)[0] for i in range(ids)]


def checksum(data, field):
    total = 0
    padded = data + (b"\0" if len(data) % 2 else b"")
    for i, (word,) in enumerate(struct.iter_unpack("<H", padded)):
        if 2 * i in (field, field + 2):
            continue
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(data)


def move_header(path):
    data = bytearray(open(path, "rb").read())
    img = Image(data)
    if img.pe == HEADER_AT:
        return
    length = img.header_len()
    first_raw = min([raw for _, _, _, raw in img.sections if raw] + [img.size_of_headers()])
    if HEADER_AT + length > first_raw:
        raise SystemExit("%s: PE headers (%d bytes) do not fit between %d and %d"
                         % (path, length, HEADER_AT, first_raw))
    block = bytes(data[img.pe:img.pe + length])
    data[img.pe:img.pe + length] = bytes(length)
    data[HEADER_AT:HEADER_AT + length] = block
    struct.pack_into("<I", data, 0x3C, HEADER_AT)
    field = HEADER_AT + 24 + 64
    struct.pack_into("<I", data, field, 0)
    struct.pack_into("<I", data, field, checksum(bytes(data), field))
    open(path, "wb").write(data)


def check_imports(path):
    foreign = [d for d in Image(open(path, "rb").read()).imports() if d not in IMAGE_DLLS]
    if foreign:
        raise SystemExit("%s: imports %s, outside the allowed %s"
                         % (path, ", ".join(foreign), ", ".join(sorted(IMAGE_DLLS))))


def check(path, machine, carrier=True):
    data = open(path, "rb").read()
    img = Image(data)
    want = {"i386": (0x14C, 0x10B), "amd64": (0x8664, 0x20B)}[machine]
    problems = []
    if (img.machine, img.magic) != want:
        problems.append("machine 0x%x / optional header 0x%x, wanted %s" % (img.machine, img.magic, machine))
    if carrier and img.pe != HEADER_AT:
        problems.append("PE header at %d, wanted %d" % (img.pe, HEADER_AT))
    if carrier and data[136:140] != bytes(4):
        problems.append("bytes 136..139 are not free")
    for kind, name in ((24, "manifest"), (14, "icon"), (16, "version")):
        if carrier and kind not in img.resource_types():
            problems.append("no %s resource" % name)
    if carrier and img.debug_sections():
        problems.append("debug sections: " + ", ".join(img.debug_sections()))
    if carrier and machine == "i386" and len(data) > MAX_CARRIER_SIZE:
        problems.append("%d bytes, more than %d" % (len(data), MAX_CARRIER_SIZE))
    allowed = IMAGE_DLLS if carrier else SYSTEM_DLLS
    foreign = [d for d in img.imports() if d not in allowed]
    if foreign:
        problems.append("imports %s, outside the allowed %s" % (", ".join(foreign), ", ".join(sorted(allowed))))
    for p in problems:
        print("%s: %s" % (path, p))
    if problems:
        raise SystemExit(1)
    print("%s: PE %s, %d bytes (%.0f KiB), header at %d, imports %s"
          % (path, machine, len(data), len(data) / 1024.0, img.pe, ", ".join(img.imports())))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "move-header":
        move_header(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "imports":
        check_imports(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] in ("check", "check-tool"):
        check(sys.argv[2], sys.argv[3], sys.argv[1] == "check")
    else:
        raise SystemExit(__doc__)
