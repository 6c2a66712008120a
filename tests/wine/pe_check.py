#!/usr/bin/env python3
"""An installer's PE image, read independently of stubpack.

    pe_check.py layout FILE     sections in order without overlap (memory and file), all
                                inside the file, SizeOfImage covering them exactly, the
                                resource directory at its section's start with its size, the
                                base relocations inside their section, and the header checksum
                                of the whole file right; prints "ok" or the fault (exit 1)
    pe_check.py version FILE    the strings and numeric versions of a raw RT_VERSION resource
                                (as wrestool -x --raw writes it), one "key=value" a line
    pe_check.py icons ICO DIR   every image of the .ico equals DIR/icon-N (N from 1), in order,
                                and DIR/group lists them with their sizes (exit 1 if not)
"""
import struct
import sys


def u16(d, o): return struct.unpack_from("<H", d, o)[0]
def u32(d, o): return struct.unpack_from("<I", d, o)[0]


def checksum(data, at):
    data = bytearray(data)
    data[at:at + 4] = b"\0\0\0\0"
    if len(data) % 2:
        return None  # tools disagree on a last odd byte; the installer must not have one
    total = 0
    for (word,) in struct.iter_unpack("<H", bytes(data)):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def layout(path):
    d = open(path, "rb").read()
    pe = u32(d, 0x3C)
    assert d[pe:pe + 4] == b"PE\0\0", "no PE signature"
    count, opt_size = u16(d, pe + 6), u16(d, pe + 20)
    opt = pe + 24
    plus = u16(d, opt) == 0x20B
    salign, falign = u32(d, opt + 32), u32(d, opt + 36)
    dirs = opt + (112 if plus else 96)
    directory = [(u32(d, dirs + 8 * i), u32(d, dirs + 8 * i + 4)) for i in range(16)]
    table = opt + opt_size
    end_va, end_raw, sections = 0, 0, []
    for i in range(count):
        s = table + 40 * i
        name = d[s:s + 8].rstrip(b"\0").decode()
        vsize, va, rsize, raw = struct.unpack_from("<IIII", d, s + 8)
        if va < end_va or va % salign:
            return "%s overlaps in memory or is unaligned" % name
        if rsize:
            if raw < end_raw or raw % falign or raw + rsize > len(d):
                return "%s overlaps in the file or lies outside it" % name
            end_raw = raw + rsize
        end_va = va + (-(-max(vsize, rsize) // salign) * salign)
        sections.append((name, va, vsize))
    if u32(d, opt + 56) != end_va:
        return "SizeOfImage %#x, sections end at %#x" % (u32(d, opt + 56), end_va)
    rsrc = [s for s in sections if s[1] == directory[2][0]]
    if not rsrc or rsrc[0][2] != directory[2][1]:
        return "resource directory %r does not match its section" % (directory[2],)
    reloc_va, reloc_size = directory[5]
    if reloc_size and not any(va <= reloc_va and reloc_va + reloc_size <= va + vs
                              for _, va, vs in sections):
        return "base relocations outside every section"
    if directory[4][1]:  # a signed file: the certificate table is the file's end
        if directory[4][0] + directory[4][1] != len(d):
            return "certificate table does not end the file"
    expected = checksum(d, opt + 64)
    if expected != u32(d, opt + 64):
        return "checksum %#x, expected %r" % (u32(d, opt + 64), expected)
    return "ok"


def version(path):
    d = open(path, "rb").read()
    out = []

    def node(at):
        length, value_length, kind = u16(d, at), u16(d, at + 2), u16(d, at + 4)
        key_end = d.index(b"\0\0", at + 6)
        while (key_end - at) % 2:
            key_end = d.index(b"\0\0", key_end + 1)
        key = d[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        return length, value_length, kind, key, value_at

    length, vlen, _, key, at = node(0)
    assert key == "VS_VERSION_INFO" and vlen == 52 and u32(d, at) == 0xFEEF04BD
    ms, ls, pms, pls = struct.unpack_from("<IIII", d, at + 8)
    out.append("file=%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
    out.append("product=%d.%d.%d.%d" % (pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF))
    child = (at + vlen + 3) & ~3
    while child < length:
        clen, _, _, ckey, cat = node(child)
        if ckey == "StringFileInfo":
            tlen, _, _, tkey, tat = node(cat)
            out.append("table=" + tkey)
            s = tat
            while s < cat + tlen:
                slen, svlen, _, skey, sat = node(s)
                value = d[sat:sat + 2 * svlen].decode("utf-16-le").rstrip("\0")
                out.append("%s=%s" % (skey, value))
                s = (s + slen + 3) & ~3
        child = (child + clen + 3) & ~3
    print("\n".join(out))


def icons(ico, directory):
    d = open(ico, "rb").read()
    group = open(directory + "/group", "rb").read()
    n = u16(d, 4)
    if u16(group, 4) != n:
        return "group lists %d images, the .ico has %d" % (u16(group, 4), n)
    for i in range(n):
        e = 6 + 16 * i
        size, offset = u32(d, e + 8), u32(d, e + 12)
        image = open("%s/icon-%d" % (directory, i + 1), "rb").read()
        if image != d[offset:offset + size]:
            return "image %d differs" % (i + 1)
        g = 6 + 14 * i
        if group[g:g + 2] != d[e:e + 2] or u16(group, g + 12) != i + 1:
            return "group entry %d does not describe image %d" % (i + 1, i + 1)
    return "ok"


if __name__ == "__main__":
    what = sys.argv[1]
    if what == "version":
        version(sys.argv[2])
        sys.exit(0)
    result = layout(sys.argv[2]) if what == "layout" else icons(sys.argv[2], sys.argv[3])
    print(result)
    sys.exit(result != "ok")
