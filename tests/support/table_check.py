"""What the scripts that read a results table back share: the table's columns and statistics, the
list of problems found, how a table's value meets its document's, and the end that prints the
problems and exits 1 if there was one."""
import math
import sys

import pandas as pd

COLUMNS = ["country", "country_name", "disease", "disease_name", "model_id", "tree", "category", "sex", "age_group",
           "measure", "mean", "q025", "q50", "q975", "se"]
STATISTICS = {"mean": "Mean", "q025": "Quantile0.025", "q50": "Quantile0.5", "q975": "Quantile0.975"}
problems = []


def check(condition, text):
    if not condition:
        problems.append(text)


def same(a, b):
    """The table's value against the document's: the same double, both not a number, or none for a dash."""
    if b is None or isinstance(b, str):
        return a is None or (isinstance(a, float) and math.isnan(a))
    return a == b or (isinstance(a, float) and math.isnan(a) and math.isnan(b))


def read_table(path):
    # round_trip: pandas' default parser may miss the last bit of a 17-digit number.
    return pd.read_csv(path, float_precision="round_trip", keep_default_na=False, na_values=[""])


def finish(rows):
    for problem in problems[:40]:
        print(problem)
    print("%d rows, %d problems" % (rows, len(problems)))
    sys.exit(1 if problems else 0)
