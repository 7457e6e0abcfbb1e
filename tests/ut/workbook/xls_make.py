"""Writes the reference workbook of the workbook adapter tests with xlwt.

Usage: xls_make.py WORKBOOK [--long-text] [--formulas]

Sheet "Données" holds a label, text in three scripts, numbers (integral, fractional,
negative, large), a boolean and a gap; sheet "Таблица" holds a small stratified table; sheet
"Empty" has no cells.  With --long-text, sheet "Long" holds a cell of 20000 characters,
whose text runs through three records of the string table.  With --formulas, sheet
"Formulas" holds a number and a formula, which xlwt writes without a computed value.
"""
import sys

import xlwt


book = xlwt.Workbook(encoding="utf-8")
data = book.add_sheet("Données")
for r, c, value in [(0, 0, "Caption"), (1, 0, "Zürich – Ελλάδα – 日本語"), (2, 0, 42), (2, 1, 0.125),
                    (2, 2, -3.5e12), (3, 0, "  padded  "), (5, 0, "after gap"), (6, 3, True)]:
    data.write(r, c, value)

table = book.add_sheet("Таблица")
rows = [["Life expectancy"], [], ["Sex", "Female", "Male"], ["Age"],
        ["0-4", "80.5", 79], ["5-9", "RandUniform(1,2)", ""]]
for r, row in enumerate(rows):
    for c, value in enumerate(row):
        if value != "":
            table.write(r, c, value)

book.add_sheet("Empty")
if "--long-text" in sys.argv[2:]:
    book.add_sheet("Long").write(0, 0, "".join(chr(0x430 + i % 32) for i in range(20000)))
if "--formulas" in sys.argv[2:]:
    formulas = book.add_sheet("Formulas")
    formulas.write(0, 0, 1)
    formulas.write(0, 1, xlwt.Formula("A1+40"))
book.save(sys.argv[1])

