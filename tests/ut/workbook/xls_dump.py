"""Prints an .xls or .xlsx workbook as JSON, read by xlrd, for the workbook adapter tests.

Usage: xls_dump.py WORKBOOK [--extsst] [--plain]

Output (ASCII JSON on stdout):
  {"sheets": [{"name": ..., "cells": [[row, col, kind, value, format], ...]}],
   "extsst": "ok" | a description of the mismatch}
Rows and columns are 0-based; kind is text, number, bool, error, blank or date; format is the
number format string of the cell's XF (empty for .xlsx, whose formats xlrd does not read, and
with --plain, which reads workbooks without cell formats).
With --extsst (for the program's own .xls files), "extsst" checks that every EXTSST bucket
entry points at the start of the string it indexes in the SST record chain.
"""
import json
import struct
import sys

import xlrd
from xlrd import compdoc

KINDS = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_BOOLEAN: "bool",
         xlrd.XL_CELL_ERROR: "error", xlrd.XL_CELL_BLANK: "blank", xlrd.XL_CELL_DATE: "date"}


def records(stream):
    pos = 0
    while pos + 4 <= len(stream):
        rtype, length = struct.unpack_from("<HH", stream, pos)
        yield rtype, pos, stream[pos + 4:pos + 4 + length]
        pos += 4 + length
        if rtype == 0x000A:
            return


def check_extsst(stream):
    chain = []
    extsst = None
    in_sst = False
    for rtype, pos, data in records(stream):
        if rtype == 0x00FC:
            in_sst = True
            chain.append((pos, data))
        elif rtype == 0x003C and in_sst:
            chain.append((pos, data))
        else:
            in_sst = False
            if rtype == 0x00FF:
                extsst = data
    if not chain or extsst is None:
        return "missing SST or EXTSST"
    unique = struct.unpack_from("<I", chain[0][1], 4)[0]
    starts = []
    rec, off = 0, 8
    for _ in range(unique):
        if off >= len(chain[rec][1]):
            rec, off = rec + 1, 0
        starts.append((chain[rec][0] + 4 + off, 4 + off))
        count, flags = struct.unpack_from("<HB", chain[rec][1], off)
        off += 3
        size = 2 if flags & 1 else 1
        left = count
        while True:
            fit = min(left, (len(chain[rec][1]) - off) // size)
            off += fit * size
            left -= fit
            if left == 0:
                break
            rec, off = rec + 1, 0
            size = 2 if chain[rec][1][0] & 1 else 1
            off = 1
    per_bucket = struct.unpack_from("<H", extsst, 0)[0]
    entries = [struct.unpack_from("<IH", extsst, 2 + 8 * i) for i in range((len(extsst) - 2) // 8)]
    expected = [starts[i] for i in range(0, unique, per_bucket)]
    if [tuple(e) for e in entries] != expected:
        return "EXTSST %s != string starts %s" % (entries[:4], expected[:4])
    return "ok"


path = sys.argv[1]
with open(path, "rb") as f:
    is_xls = f.read(8) == b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
formats = is_xls and "--plain" not in sys.argv[2:]
book = xlrd.open_workbook(path, formatting_info=formats)
sheets = []
for sheet in book.sheets():
    cells = []
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str if formats else ""
            cells.append([r, c, KINDS.get(cell.ctype, "other"), cell.value, fmt])
    sheets.append({"name": sheet.name, "cells": cells})
result = {"sheets": sheets}
if "--extsst" in sys.argv[2:]:
    ole = compdoc.CompDoc(open(path, "rb").read())
    result["extsst"] = check_extsst(ole.get_named_stream("Workbook"))
print(json.dumps(result))

