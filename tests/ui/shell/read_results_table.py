"""Reads the results table the main window saved, as table.csv (pandas) and table.xlsx (openpyxl),
and checks it against results.json of the same run (see MainWindowTest.cpp). Argument: the folder.
Prints every mismatch and exits 1 if there was one."""
import json
import math
import os
import sys

import openpyxl
import pandas as pd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from table_check import COLUMNS, STATISTICS, check, finish, problems, read_table, same  # noqa: E402

folder = sys.argv[1]
document = json.load(open(os.path.join(folder, "results.json")))
table = read_table(os.path.join(folder, "table.csv"))
check(list(table.columns) == COLUMNS, "CSV columns: %s" % list(table.columns))

# The workbook holds the same rows in the same order: the same texts, and every number as the
# library writes it, with 16 significant digits.
sheet = openpyxl.load_workbook(os.path.join(folder, "table.xlsx"), read_only=True)["results"]
cells = list(sheet.iter_rows(values_only=True))
check(list(cells[0]) == COLUMNS, "workbook header: %s" % (cells[0],))
check(len(cells) - 1 == len(table), "workbook rows %d, CSV rows %d" % (len(cells) - 1, len(table)))
for (_, row), cell in zip(table.iterrows(), cells[1:]):
    for i, column in enumerate(COLUMNS):
        value, stored = row[column], cell[i]
        if i < 10:
            # An empty text (the name of the totals) is an empty cell.
            check(stored is None if isinstance(value, float) and math.isnan(value) else str(value) == stored, "row %s, %s: %r in the workbook" % (tuple(row[:10]), column, stored))
        elif isinstance(value, float) and math.isnan(value):
            check(stored is None, "row %s, %s: %r for NA" % (tuple(row[:10]), column, stored))
        else:
            # openpyxl gives an integral number ("0") as an int.
            check(isinstance(stored, (int, float)) and float(stored) == float("%.16g" % value),
                  "row %s, %s: %r in the workbook, %r in the CSV" % (tuple(row[:10]), column, stored, value))

# Every statistic of the document is in the CSV as the very same double.
key = ["model_id", "tree", "category", "sex", "age_group", "measure"]
check(not table.duplicated(key).any(), "rows repeat a key: %s" % table[table.duplicated(key)].head())
rows = table.set_index(key)
compared = 0


def expect(where, statistics):
    global compared
    if where not in rows.index:
        problems.append("no row %s" % (where,))
        return
    row = rows.loc[where]
    for column, name in STATISTICS.items():
        compared += 1
        check(same(row[column], statistics.get(name)), "%s %s: %r, document %r" % (where, column, row[column],
                                                                                 statistics.get(name)))


models = {}
for entry, model_id in zip(document, table["model_id"].drop_duplicates()):
    models[model_id] = entry
    for tree in entry["detailedResults"]:
        for category, figures in tree["sequelaTypeAggregatedResults"].items():
            for measure, statistics in figures.items():
                expect((model_id, tree["outcomeTreeID"], category, "all", "all", measure), statistics)
    for category, figures in entry["totalSequelaTypeResults"].items():
        for measure, statistics in figures.items():
            expect((model_id, "all", category, "all", "all", measure), statistics)
    for measure, figure in entry["totalCategorizedResults"].items():
        for array, sex in (("arrayFemale", "female"), ("arrayMale", "male")):
            for stratum in figure[array]:
                expect((model_id, "all", "total", sex, stratum["Age"], measure), stratum)

# Cases and deaths by age and sex add up to the model's cases and deaths; the analysis filled se.
for model_id in models:
    for measure in ("cases", "deaths"):
        strata = table[(table.model_id == model_id) & (table.tree == "all") & (table.measure == measure)
                       & (table.sex != "all")]
        check(len(strata) == 2 * len(models[model_id]["totalCategorizedResults"]["daly"]["arrayFemale"]),
              "%s: %d rows of %s by age and sex" % (model_id, len(strata), measure))
        check(strata.se.notna().all(), "%s: %s by age and sex without standard errors" % (model_id, measure))
        total = rows.loc[(model_id, "all", "total", "all", "all", measure), "mean"]
        check(math.isclose(strata["mean"].sum(), total, rel_tol=1e-9),
              "%s: %s by stratum add up to %r, not %r" % (model_id, measure, strata["mean"].sum(), total))

check(len(models) == len(document) and compared > 0, "%d models of %d compared" % (len(models), len(document)))

finish(len(table))
