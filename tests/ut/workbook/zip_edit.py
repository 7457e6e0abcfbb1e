"""Copies a ZIP archive with one entry changed or left out, for the workbook tests.

Usage: zip_edit.py INPUT OUTPUT ENTRY [OLD NEW]

With OLD and NEW, the first OLD in ENTRY becomes NEW (which must be there); without them,
ENTRY is left out. Every other entry is copied as it is.
"""
import sys
import zipfile


source, target, entry = sys.argv[1:4]
change = sys.argv[4:6]
with zipfile.ZipFile(source) as read, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as write:
    if entry not in read.namelist():
        sys.exit("no entry " + entry)
    for info in read.infolist():
        data = read.read(info.filename)
        if info.filename == entry:
            if not change:
                continue
            old, new = (part.encode("utf-8") for part in change)
            if old not in data:
                sys.exit("%s not in %s" % (change[0], entry))
            data = data.replace(old, new, 1)
        write.writestr(info, data)

