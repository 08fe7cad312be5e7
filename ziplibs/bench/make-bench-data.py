#!/usr/bin/env python3
"""Builds the data sets the zip benchmark times (deterministic, seeded).

accounting/  about 300 MB in about 1,000 files, shaped like an accounting
             system's data folder: Paradox tables (.DB, whole and consistent,
             as the archive run checks them) with index-like (.PX, .XG0, .YG0)
             and memo-like (.MB) files from a few KB to 60 MB,
             text reports and CSV exports, some already-compressed files, in a
             folder tree four levels deep.
small/       50,000 small files (100 B to 6 KB) in 500 folders.
many/        100,000 such files in 1,000 folders (only with "many" after the
             folder: make-bench-data.py DIR many).
"""
import os
import random
import struct
import sys

WORDS = ("Rekins Pavadzime Kase Banka Alga Nodoklis Avanss Prece Pakalpojums Klients Piegadatajs "
         "Debets Kredits Konts Atlikums Apgrozijums Noliktava Pamatlidzeklis Amortizacija Valuta "
         "SIA AS Riga Daugavpils Liepaja Jelgava Ventspils iela nams dzivoklis LV").split()
NAMES = "Berzins Kalnins Ozolins Jansons Liepins Krumins Balodis Eglitis Petersons Vitols".split()


def text_field(rnd, width):
    s = " ".join(rnd.choice(WORDS) for _ in range(rnd.randint(1, 4)))
    return s.encode("latin-1")[:width].ljust(width, b"\0")


# The fields of the tables' records, as table_bytes fills them: (name, Paradox
# field type, size); the last one takes what is left of the record.
TABLE_FIELDS = (("Nr", 0x04, 4), ("Datums", 0x02, 4), ("Summa", 0x06, 8), ("PVN", 0x06, 8), ("Konts", 0x01, 5),
                ("Teksts", 0x01, 40), ("Vards", 0x01, 20), ("Veids", 0x01, 1), ("Piezimes", 0x01, 0))


def table_header(rec_len, records, blocks):
    """The 2 KB header of an unkeyed Paradox 7 table with 4 KB blocks."""
    fields = [(n, t, s or rec_len - 90) for n, t, s in TABLE_FIELDS]
    h = bytearray(2048)
    struct.pack_into("<HHBBIHHHH", h, 0, rec_len, 2048, 2, 4, records, blocks, blocks, 1 if blocks else 0, blocks)
    struct.pack_into("<H", h, 0x21, len(fields))
    struct.pack_into("<I", h, 0x25, 0xFF00FF00)
    h[0x39] = 12
    struct.pack_into("<H", h, 0x3A, blocks)
    struct.pack_into("<H", h, 0x6A, 1257)
    pos = 0x78
    for _, ftype, fsize in fields:
        h[pos], h[pos + 1] = ftype, fsize
        pos += 2
    pos += 4 + 4 * len(fields) + 261  # name pointers, then the table name
    for name, _, _ in fields:
        h[pos:pos + len(name)] = name.encode()
        pos += len(name) + 1
    return h


def table_bytes(rnd, size):
    """A Paradox table of whole 4 KB blocks of fixed records, partly filled, at least `size` bytes."""
    rec_len = rnd.choice((96, 128, 180, 256, 340))
    rid = rnd.randint(1, 1000)
    day = 730000 + rnd.randint(0, 3000)
    per_block = 4090 // rec_len
    blocks = []
    records = 0
    while 2048 + 4096 * len(blocks) < size:
        # Two draws the generator has always made here, so that the data stays as it was.
        rnd.randint(0, 65535), rnd.randint(0, 65535)
        fill = rnd.randint(per_block // 2, per_block)
        block = bytearray(struct.pack("<HHh", len(blocks) + 2, len(blocks), (fill - 1) * rec_len))
        for _ in range(fill):
            rid += 1
            if rnd.random() < 0.3:
                day += 1
            r = bytearray()
            r += struct.pack(">I", rid | 0x80000000)
            r += struct.pack(">I", day)
            r += struct.pack("<d", round(rnd.lognormvariate(4, 2), 2))
            r += struct.pack("<d", round(rnd.lognormvariate(3, 1.5), 2) if rnd.random() < 0.5 else 0.0)
            r += ("%05d" % rnd.randint(1, 500)).encode()
            r += text_field(rnd, 40)
            r += rnd.choice(NAMES).encode().ljust(20, b" ")
            r += bytes([rnd.randint(0, 3)])
            r += text_field(rnd, max(0, rec_len - len(r)))
            block += r[:rec_len]
        block += b"\0" * (4096 - len(block))
        blocks.append(block)
        records += fill
    if blocks:
        blocks[-1][0:2] = b"\0\0"  # the last block of the chain
    return bytes(table_header(rec_len, records, len(blocks)) + b"".join(blocks))


def index_bytes(rnd, size):
    out = bytearray(b"\x00" * 1024)
    key = rnd.randint(1, 100)
    while len(out) < size:
        key += rnd.randint(1, 3)
        out += struct.pack(">IHH", key, rnd.randint(0, 4000), rnd.randint(0, 40))
        if rnd.random() < 0.02:
            out += b"\0" * rnd.randint(16, 400)
    return bytes(out[:size])


def memo_bytes(rnd, size):
    out = bytearray()
    while len(out) < size:
        n = rnd.randint(20, 120)
        out += struct.pack("<I", n)
        out += " ".join(rnd.choice(WORDS) for _ in range(n // 6 + 1)).encode("latin-1")
        out += b"\0" * (-len(out) % 64)
    return bytes(out[:size])


def report_bytes(rnd, size, csv):
    lines = []
    n = 0
    day = 1
    while n < size:
        day = day % 28 + 1
        if csv:
            line = "%d;%02d.%02d.2024;%s;%s;%.2f;%.2f\r\n" % (
                rnd.randint(1, 99999), day, rnd.randint(1, 12), rnd.choice(NAMES), rnd.choice(WORDS),
                rnd.lognormvariate(4, 2), rnd.lognormvariate(3, 1))
        else:
            line = "%-12s %-30s %12.2f %12.2f  %02d.%02d.2024\r\n" % (
                rnd.choice(NAMES), " ".join(rnd.choice(WORDS) for _ in range(3))[:30],
                rnd.lognormvariate(4, 2), rnd.lognormvariate(3, 1), day, rnd.randint(1, 12))
        lines.append(line)
        n += len(line)
    return "".join(lines).encode("latin-1")[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_accounting(root, rnd):
    dirs = [""]
    for a in ("DATI", "ARHIVS", "ATSKAITES"):
        dirs.append(a)
        for b in ("2022", "2023", "2024"):
            dirs.append(a + "/" + b)
            for c in ("FIRMA1", "FIRMA2"):
                dirs.append(a + "/" + b + "/" + c)
    sizes_big = [60, 40, 25, 18, 12, 10, 8, 6, 5, 4]  # MB, tables
    total = 0
    count = 0
    # Large tables with their companions.
    for i, mb in enumerate(sizes_big):
        d = dirs[1 + (i % 3) * 10]
        base = os.path.join(root, d, "TAB%02d" % i)
        size = mb << 20
        write(base + ".DB", table_bytes(rnd, size))
        write(base + ".PX", index_bytes(rnd, size // 12))
        write(base + ".XG0", index_bytes(rnd, size // 30))
        write(base + ".MB", memo_bytes(rnd, size // 10))
        total += size + size // 12 + size // 30 + size // 10
        count += 4
    # Many small and middling tables, reports, exports, compressed files.
    i = 0
    while count < 1000:
        d = rnd.choice(dirs)
        kind = rnd.random()
        name = os.path.join(root, d, "F%04d" % i)
        i += 1
        if kind < 0.45:
            size = int(rnd.lognormvariate(10.5, 1.1))
            write(name + ".DB", table_bytes(rnd, size))
            write(name + ".PX", index_bytes(rnd, max(256, size // 12)))
            total += size + max(256, size // 12)
            count += 2
            if rnd.random() < 0.3:
                write(name + ".MB", memo_bytes(rnd, max(512, size // 8)))
                total += max(512, size // 8)
                count += 1
        elif kind < 0.75:
            size = int(rnd.lognormvariate(10, 1.2))
            csv = rnd.random() < 0.5
            write(name + (".CSV" if csv else ".TXT"), report_bytes(rnd, size, csv))
            total += size
            count += 1
        else:
            size = int(rnd.lognormvariate(10.5, 1.0))
            ext = rnd.choice((".ZIP", ".PNG", ".GIF", ".JPG"))
            write(name + ext, os.urandom(size))
            total += size
            count += 1
    return count, total


def make_small(root, rnd, count=50000):
    for i in range(count):
        d = os.path.join(root, "D%03d" % (i // 100))
        size = int(rnd.lognormvariate(7, 0.8))
        size = max(100, min(size, 6000))
        if i % 3 == 0:
            data = report_bytes(rnd, size, i % 2 == 0)
        else:
            data = table_bytes(rnd, max(size, 2100))[:size]
        write(os.path.join(d, "S%05d.DAT" % i), data)


def main():
    out = sys.argv[1]
    rnd = random.Random(1957)
    if sys.argv[2:] == ["many"]:
        make_small(os.path.join(out, "many"), rnd, 100000)
        print("many: 100000 files")
        return
    count, total = make_accounting(os.path.join(out, "accounting"), rnd)
    print("accounting: %d files, %.1f MB" % (count, total / 1e6))
    make_small(os.path.join(out, "small"), rnd)
    print("small: 50000 files")


if __name__ == "__main__":
    main()
