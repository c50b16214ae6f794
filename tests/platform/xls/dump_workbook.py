#!/usr/bin/python3
"""Reads a saved .xls workbook with xlrd (formatting_info=True) and prints what the C++
tests assert on, one `key=value` per line (newlines in values written as \\n).

    dump_workbook.py BOOK.xls [STYLE_ROWS]   cells of the first sheet, styles of the
                                             cells in rows below STYLE_ROWS (default all),
                                             columns, rows, sheet options, record checks
    dump_workbook.py --stream FILE OUT       the compound file's Workbook stream, after a
                                             strict check of the container, copied to OUT

Any fault the reader or the checks find is printed as `error=...` with exit status 1.
"""
import io
import struct
import sys

import xlrd
import xlrd.compdoc

FREE, END, FAT, DIFAT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC


def out(key, value):
    text = str(value).replace("\\", "\\\\").replace("\n", "\\n")
    sys.stdout.write("%s=%s\n" % (key, text))


def check_container(data):
    """The facts readers are strict about: every sector used once, FAT sectors marked,
    chains as long as the stream, nothing below the mini-stream cutoff."""
    assert data[:8] == b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", "signature"
    minor, major, order, shift, mini_shift = struct.unpack_from("<5H", data, 24)
    assert (major, order, shift, mini_shift) == (3, 0xFFFE, 9, 6), "header fields"
    (num_dir, num_fat, first_dir, _tx, cutoff, first_minifat, num_minifat, first_difat,
     num_difat) = struct.unpack_from("<9I", data, 40)
    assert num_dir == 0 and cutoff == 4096, "directory count / cutoff"
    assert first_minifat == END and num_minifat == 0, "no mini FAT expected"
    assert (len(data) - 512) % 512 == 0, "whole sectors"
    sectors = (len(data) - 512) // 512
    sec = lambda n: data[512 + 512 * n: 1024 + 512 * n]
    fat_ids = list(struct.unpack_from("<109I", data, 76))
    difat_chain = []
    d = first_difat
    for _ in range(num_difat):
        difat_chain.append(d)
        ids = struct.unpack_from("<128I", sec(d))
        fat_ids.extend(ids[:127])
        d = ids[127]
    assert d in (END, FREE) or num_difat == 0, "DIFAT chain end"
    fat_ids = [i for i in fat_ids if i != FREE]
    assert len(fat_ids) == num_fat, "FAT sector count"
    fat = []
    for f in fat_ids:
        fat.extend(struct.unpack_from("<128I", sec(f)))
    assert len(fat) >= sectors, "FAT covers the file"
    for f in fat_ids:
        assert fat[f] == FAT, "FAT sector %d not marked" % f
    for f in difat_chain:
        assert fat[f] == DIFAT, "DIFAT sector %d not marked" % f
    used = {}

    def chain(start, owner):
        n, s = [], start
        while s != END:
            assert s < sectors, "%s: sector %d past the file" % (owner, s)
            assert s not in used, "sector %d used by %s and %s" % (s, used[s], owner)
            used[s] = owner
            n.append(s)
            s = fat[s]
        return n

    for f in fat_ids:
        used[f] = "FAT"
    for f in difat_chain:
        used[f] = "DIFAT"
    dirs = chain(first_dir, "directory")
    directory = b"".join(sec(s) for s in dirs)
    streams = {}
    for e in range(len(directory) // 128):
        entry = directory[128 * e: 128 * e + 128]
        name_len, etype = struct.unpack_from("<HB", entry, 64)
        start, size = struct.unpack_from("<II", entry, 116)
        name = entry[:max(name_len - 2, 0)].decode("utf-16-le")
        if etype == 5:
            assert start == END and size == 0, "root entry without mini stream"
        if etype == 2:
            assert size >= cutoff, "stream %s below the mini-stream cutoff" % name
            n = chain(start, name)
            assert len(n) == (size + 511) // 512, "chain length of %s" % name
            streams[name] = b"".join(sec(s) for s in n)[:size]
    for s in range(sectors):
        if s not in used:
            assert fat[s] == FREE, "unused sector %d not free" % s
    return streams


def walk_records(stream):
    """Yields (offset, id, data) of every record."""
    pos = 0
    while pos + 4 <= len(stream):
        rid, length = struct.unpack_from("<HH", stream, pos)
        if rid == 0 and length == 0:
            break  # zero padding after the last EOF
        yield pos, rid, stream[pos + 4: pos + 4 + length]
        pos += 4 + length


def check_records(stream):
    records = list(walk_records(stream))
    for pos, rid, data in records:
        assert len(data) <= 8224, "record 0x%04X at %d longer than 8224" % (rid, pos)
    ids = [rid for _, rid, _ in records]
    i = ids.index(0x00FC)
    continues = 0
    while ids[i + 1 + continues] == 0x003C:
        continues += 1
    out("sst.continues", continues)
    parts = [data for _, _, data in records[i:i + 1 + continues]]
    sst, _ = xlrd.book.unpack_SST_table(parts, struct.unpack_from("<i", parts[0], 4)[0])
    ext = [(pos, data) for pos, rid, data in records if rid == 0x00FF]
    assert len(ext) == 1, "one EXTSST"
    data = ext[0][1]
    per_bucket = struct.unpack_from("<H", data, 0)[0]
    assert per_bucket == max(len(sst) // 128 + 1, 8), "EXTSST strings per bucket"
    buckets = (len(data) - 2) // 8
    assert buckets == (len(sst) + per_bucket - 1) // per_bucket, "EXTSST bucket count"
    starts = {pos for pos, _, _ in records}
    for b in range(buckets):
        ib, cb = struct.unpack_from("<IH", data, 2 + 8 * b)
        assert ib - cb in starts, "EXTSST bucket %d: no record at ib - cbOffset" % b
        rid = struct.unpack_from("<H", stream, ib - cb)[0]
        assert rid in (0x00FC, 0x003C), "EXTSST bucket %d not in the string table" % b
        cch, flags = struct.unpack_from("<HB", stream, ib)
        expect = sst[b * per_bucket]
        assert cch == len(expect.encode("utf-16-le")) // 2, "EXTSST bucket %d length" % b
        width = 2 if flags & 1 else 1
        room = min(cch, (ib - cb + 4 + struct.unpack_from("<H", stream, ib - cb + 2)[0]
                         - ib - 3) // width)
        raw = stream[ib + 3: ib + 3 + room * width]
        got = raw.decode("utf-16-le" if width == 2 else "latin-1")
        assert expect.encode("utf-16-le")[:room * 2] == got.encode("utf-16-le"), \
            "EXTSST bucket %d points at another string" % b
    sheet_bof = [pos for pos, rid, data in records if rid == 0x0809][1]
    wsbool = [data for pos, rid, data in records if rid == 0x0081 and pos > sheet_bof]
    out("wsbool", "0x%04X" % struct.unpack_from("<H", wsbool[0], 0)[0])


def dump_book(path, style_rows):
    data = open(path, "rb").read()
    streams = check_container(data)
    log = io.StringIO()
    book = xlrd.open_workbook(file_contents=data, formatting_info=True, logfile=log)
    if log.getvalue():
        out("reader.log", log.getvalue())
    check_records(streams["Workbook"])
    out("sheets", ",".join(book.sheet_names()))
    out("colour.44", ",".join("%02X" % v for v in book.colour_map[44]))
    for key, fmt in sorted(book.format_map.items()):
        if key >= 164:
            out("format.%d" % key, fmt.format_str)
    sh = book.sheet_by_index(0)
    out("nrows", sh.nrows)
    out("ncols", sh.ncols)
    types = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text",
             xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_BLANK: "blank"}
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            cell = sh.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            name = "%s" % xlrd.formula.cellname(r, c)
            out(name + ".type", types.get(cell.ctype, cell.ctype))
            out(name, repr(cell.value) if cell.ctype == xlrd.XL_CELL_NUMBER else cell.value)
            if r >= style_rows:
                continue
            xf = book.xf_list[sh.cell_xf_index(r, c)]
            font = book.font_list[xf.font_index]
            out(name + ".font", "%s|%d|%s|%d" % (font.name, font.height,
                                                 "bold" if font.bold else "normal",
                                                 font.colour_index))
            out(name + ".format", "%d|%s" % (xf.format_key, book.format_map[xf.format_key].format_str))
            al = xf.alignment
            out(name + ".align", "%d|%d|%d" % (al.hor_align, al.vert_align, al.text_wrapped))
            bd = xf.border
            out(name + ".border", "%d,%d|%d,%d|%d,%d|%d,%d" % (
                bd.left_line_style, bd.left_colour_index, bd.right_line_style,
                bd.right_colour_index, bd.top_line_style, bd.top_colour_index,
                bd.bottom_line_style, bd.bottom_colour_index))
            bg = xf.background
            out(name + ".fill", "%d|%d|%d" % (bg.fill_pattern, bg.pattern_colour_index,
                                              bg.background_colour_index))
    for c, info in sorted(sh.colinfo_map.items()):
        out("col.%d" % c, "%d|%d" % (info.width, info.hidden))
    for r, info in sorted(sh.rowinfo_map.items()):
        if info.height != 255 or info.hidden:
            out("row.%d" % r, "%d|%d|%d" % (info.height, info.hidden, info.has_default_height))


def main():
    try:
        if sys.argv[1] == "--stream":
            streams = check_container(open(sys.argv[2], "rb").read())
            stream = streams["Workbook"]
            open(sys.argv[3], "wb").write(stream)
            out("size", len(stream))
        else:
            dump_book(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 1 << 30)
    except Exception as e:  # the test prints it
        out("error", "%s: %s" % (type(e).__name__, e))
        sys.exit(1)


if __name__ == "__main__":
    main()
