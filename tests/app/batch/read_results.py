"""Reads the batch program's outputs in the folder given (see BatchTest.cpp) back as a statistician
would and checks them against its JSON documents. Prints every mismatch and exits 1 if there was one."""
import gzip
import hashlib
import json
import math
import os
import sys

import pandas as pd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from table_check import COLUMNS, STATISTICS, check, finish, problems, read_table, same  # noqa: E402

folder = sys.argv[1]


def close(a, b, tolerance=1e-12):
    return abs(a - b) <= tolerance * max(abs(a), abs(b), 1e-300)


document = json.load(gzip.open(os.path.join(folder, "results.json.gz")))
analysis = json.load(open(os.path.join(folder, "uncertainty.json")))
table = read_table(os.path.join(folder, "table.csv.gz"))

check(list(table.columns) == COLUMNS, "columns: %s" % list(table.columns))
key = ["country", "disease", "model_id", "tree", "category", "sex", "age_group", "measure"]
check(not table.duplicated(key).any(), "rows repeat a key: %s" % table[table.duplicated(key)].head())
rows = table.set_index(key)

# Every statistic the documents hold, with where the table must have it, built from the JSON alone.
expected = []


def figures(prefix, category, figures_map, errors):
    for measure, value in figures_map.items():
        if isinstance(value, dict) and "Mean" in value:
            expected.append((prefix + (category, "all", "all", measure), value,
                             (errors or {}).get(measure, {}).get("MeanStandardError")))


def stratified(prefix, figures_map, errors):
    for measure, figure in figures_map.items():
        for lists, sex in (("arrayFemale", "female"), ("arrayMale", "male")):
            for i, row in enumerate(figure[lists]):
                age = [v for k, v in row.items() if isinstance(v, str) and k != "id"]
                error = (errors or {}).get(measure, {}).get(lists, [{}] * (i + 1))[i]
                expected.append((prefix + ("total", sex, age[0], measure), row, error.get("MeanStandardError")))


def summary(category, groups):
    figures(("all", "all", "summary", "all"), category, groups["total"], None)
    for group in groups["countries"]:
        figures((group["country"], "all", "summary", "all"), category, group, None)
    for group in groups["diseases"]:
        figures(("all", group["disease"], "summary", "all"), category, group, None)


aggregated = document["aggregatedResults"]
for model, totals, errors in zip(document["models"], aggregated["modelResults"], analysis["models"]):
    errors = errors["standardErrors"]
    ids = (totals["country"], totals["disease"], totals["id"])
    for tree, tree_errors in zip(model["detailedResults"], errors["detailedResults"]):
        prefix = ids + (tree["outcomeTreeID"],)
        for category, values in tree["sequelaTypeAggregatedResults"].items():
            figures(prefix, category, values, tree_errors["sequelaTypeAggregatedResults"][category])
        for outcome, outcome_errors in zip(tree["healthOutcomeAggregatedResults"],
                                           tree_errors["healthOutcomeAggregatedResults"]):
            figures(prefix, outcome["name"], outcome, outcome_errors)
    prefix = ids + ("all",)
    for part in ("totalCategorizedResults", "totalCategorizedCounts"):
        stratified(prefix, model[part], errors[part])
    for category in ("acute", "sequela"):
        figures(prefix, category, model["totalSequelaTypeResults"][category],
                errors["totalSequelaTypeResults"][category])
    figures(prefix, "total", totals["results"], errors["totalResults"])
figures(("all", "all", "all", "all"), "total", aggregated["totalResults"], None)
stratified(("all", "all", "all", "all"), aggregated["allResults"], None)
summary("total", document["summary"])
check(len(document.get("scenarios", [])) == 1, "the run compares one scenario with the base")
for scenario in document.get("scenarios", []):
    for model in scenario["models"]:
        figures((model["country"], model["disease"], model["modelId"], "all"), scenario["name"], model, None)
    summary(scenario["name"], scenario)

check(len(expected) == len(table), "the table has %d rows, the documents %d statistics" % (len(table), len(expected)))
missing = 0
for where, values, error in expected:
    if where not in rows.index:
        missing += 1
        check(missing >= 5, "no row for %s" % (where,))
        continue
    row = rows.loc[where]
    for column, name in STATISTICS.items():
        check(same(row[column], values[name]), "%s %s: table %r, document %r" % (where, column, row[column],
                                                                                   values[name]))
    check(same(row["se"], error) if error is not None else math.isnan(row["se"]),
          "%s se: table %r, analysis %r" % (where, row["se"], error))
check(missing == 0, "%d statistics of the documents have no row" % missing)

# Cases by stratum add up to the model's cases (means are linear); each model has both sexes.
strata = table[(table.tree == "all") & (table.sex != "all") & (table.model_id != "all")]
for measure in ("cases", "deaths"):
    by_model = strata[strata.measure == measure].groupby(["country", "disease", "model_id"])["mean"].sum()
    for (country, disease, model_id), value in by_model.items():
        model_total = rows.loc[(country, disease, model_id, "all", "total", "all", "all", measure), "mean"]
        check(close(value, model_total, 1e-9), "%s %s: %s by stratum add up to %r, the total is %r"
              % (country, disease, measure, value, model_total))

# The three lines of docs/results-format.md, a statistician's pivot of DALY by country and age
# group with intervals, against the document (the default parser may miss a last bit: close).
t = pd.read_csv(os.path.join(folder, "table.csv.gz"))
d = t[(t.measure == "daly") & (t.tree == "all") & (t.sex != "all") & (t.model_id != "all")]
p = d.pivot_table(index=["country", "age_group"], columns=["disease", "sex"], values=["mean", "q025", "q975"])
for model, totals in zip(document["models"], aggregated["modelResults"]):
    for lists, sex in (("arrayFemale", "female"), ("arrayMale", "male")):
        for row in model["totalCategorizedResults"]["daly"][lists]:
            age = [v for k, v in row.items() if isinstance(v, str) and k != "id"][0]
            cell = p.loc[(totals["country"], age)]
            check(all(close(cell[(column, totals["disease"], sex)], row[name])
                      for column, name in (("mean", "Mean"), ("q025", "Quantile0.025"), ("q975", "Quantile0.975"))),
                  "pivot %s %s %s %s" % (totals["country"], totals["disease"], age, sex))

# The draws: one row per model and iteration, whose means are the document's.
draws = pd.read_csv(os.path.join(folder, "draws.csv"), float_precision="round_trip")
iterations = document["run"]["sampleSize"]
check(list(draws.columns) == ["country", "disease", "model_id", "iteration", "cases", "deaths", "yld", "yll", "daly"],
      "draws columns: %s" % list(draws.columns))
check(len(draws) == iterations * len(document["models"]), "%d draws" % len(draws))
means = draws.groupby(["country", "disease", "model_id"]).mean(numeric_only=True)
for totals in aggregated["modelResults"]:
    for measure in ("cases", "deaths", "yld", "yll", "daly"):
        drawn = means.loc[(totals["country"], totals["disease"], totals["id"]), measure]
        check(close(drawn, totals["results"][measure]["Mean"]),
              "%s %s %s: draws average %r, the document %r" % (totals["country"], totals["disease"], measure, drawn,
                                                               totals["results"][measure]["Mean"]))

# By stratum: the strata of an iteration add up to its total, and their means are the document's.
by_stratum = pd.read_csv(os.path.join(folder, "strata.csv.gz"), float_precision="round_trip")
summed = by_stratum.groupby(["country", "disease", "model_id", "iteration"]).sum(numeric_only=True)
joined = draws.set_index(["country", "disease", "model_id", "iteration"]).join(summed, rsuffix="_strata")
for measure in ("cases", "deaths", "yld", "yll", "daly"):
    worst = ((joined[measure] - joined[measure + "_strata"]).abs() / joined[measure].abs().clip(lower=1e-300)).max()
    check(worst < 1e-12, "%s of the strata do not add up to the total draws (%r)" % (measure, worst))
stratum_means = by_stratum.groupby(["country", "disease", "model_id", "sex", "age_group"]).mean(numeric_only=True)
model, totals = document["models"][-1], aggregated["modelResults"][-1]
for lists, sex in (("arrayFemale", "female"), ("arrayMale", "male")):
    for row in model["totalCategorizedCounts"]["deaths"][lists]:
        age = [v for k, v in row.items() if isinstance(v, str) and k != "id"][0]
        drawn = stratum_means.loc[(totals["country"], totals["disease"], totals["id"], sex, age), "deaths"]
        check(close(drawn, row["Mean"]), "deaths %s %s: draws %r, document %r" % (sex, age, drawn, row["Mean"]))

# The lines of docs/results-format.md for an interval of a sum, from the draws by stratum.
d = pd.read_csv(os.path.join(folder, "strata.csv.gz"))
s = d.groupby(["country", "age_group", "iteration"]).daly.sum()
q = s.groupby(["country", "age_group"]).quantile([0.025, 0.5, 0.975]).unstack()
check(len(q) == by_stratum.groupby(["country", "age_group"]).ngroups and (q[0.025] <= q[0.975]).all(),
      "the interval of a sum from the draws: %s" % q.head())

# The same run indented for reading holds the same numbers; both say where they come from.
pretty_text = open(os.path.join(folder, "pretty.json")).read()
pretty = json.loads(pretty_text)
check("\n        {" in pretty_text, "the --pretty document is not indented")
check(pretty["models"] == document["models"], "--pretty changed the numbers")
provenance = json.load(open(os.path.join(folder, "table.run.json")))
check(provenance == document["run"]["provenance"], "the table's provenance is not the document's")
cache = provenance["referenceData"]
check(cache["sha256"] == hashlib.sha256(open(cache["path"], "rb").read()).hexdigest(), "cache hash")
check("--table" in provenance["commandLine"] and provenance["iterations"] == iterations, "command line")

finish(len(table))
