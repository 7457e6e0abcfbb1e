#!/usr/bin/python3
"""The shipped bloodstream-infection model written directly in NumPy, as an epidemiologist who
knows Python would write it: every parameter drawn for all iterations at once, the outcome
tree computed on whole arrays, np.quantile for the quantiles. Used to time the program against
a plain vectorised script (bench/compare_numpy.sh); its random numbers are NumPy's, so its
results agree with the program's only up to Monte-Carlo error.

    numpy_bsi.py <model specification> <countries.json> <country> <iterations> <discount rate> <results file>
"""
import json
import sys

import numpy as np

rng = np.random.default_rng(42)
N = 0


def rand_uniform(a, b):
    return a + (b - a) * rng.random(N)


def rand_beta(a, b):
    return rng.beta(a, b, N)


def rand_pert(lo, mode, hi):
    if hi == lo:
        return np.full(N, float(lo))
    alpha = 1 + 4 * (mode - lo) / (hi - lo)
    beta = 1 + 4 * (hi - mode) / (hi - lo)
    return lo + (hi - lo) * rng.beta(alpha, beta, N)


FUNCTIONS = {"RandUniform": rand_uniform, "RandPert": rand_pert, "RandBeta": rand_beta,
             "RandGamma": lambda k, r: rng.gamma(k, 1 / r, N),
             "RandLogNormal": lambda m, s: rng.lognormal(m, s, N),
             "RandNormal": lambda m, s: np.maximum(0, rng.normal(m, s, N))}


def draw(array, strata, default="0"):
    """All iterations of a parameter array: shape (strata, N)."""
    cells = [c for row in (array or {}).get("vals", []) for c in row] or [default] * strata
    out = np.empty((strata, N))
    cache = {}
    for i, cell in enumerate(cells[:strata]):
        text = str(cell) if isinstance(cell, str) and cell else "0"
        if "Rand" in text:
            out[i] = eval(text, {"__builtins__": {}}, FUNCTIONS)
        else:
            if text not in cache:
                cache[text] = float(eval(text, {"__builtins__": {}}, {}))
            out[i] = cache[text]
    return out


def discounted(duration, onset, rate):
    if rate <= 0:
        return duration
    return ((1 + rate) ** (1 - onset) - (1 + rate) ** (1 - (onset + duration))) / rate


def stats(values):
    """Mean and the 2.5 %, 50 % and 97.5 % quantiles over the iterations (last axis)."""
    q = np.quantile(values, [0.025, 0.5, 0.975], axis=-1)
    return {"Mean": values.mean(axis=-1), "Quantile0.025": q[0], "Quantile0.5": q[1], "Quantile0.975": q[2]}


def run(spec, population, life_expectancy, rate):
    strata = population.size
    pop = population.reshape(strata, 1)
    total_population = population.sum()
    tree = next(iter(spec["outcomeTrees"].values()))
    outcomes = tree["healthOutcomes"]
    notified = draw(spec["rawCasesCountArray"], strata)
    infection_le = discounted(np.repeat(life_expectancy.reshape(strata, 1), N, axis=1), 0.0, rate)

    transitions = {}
    for t in tree["transitions"].values():
        transitions[t["id"]] = {"source": t["source"]["id"], "target": t["target"]["id"],
                                "p": draw(t.get("probabilityArray"), strata, "1")}
    source = next(t for t in transitions.values() if t["source"] == "infection")
    cases = notified / source["p"]

    # Cases, exit life expectancy and exit time leaving each outcome, computed in run order.
    leaving = {"infection": (cases, infection_le, np.zeros_like(cases))}
    results = {}
    for oid in tree["healthOutcomesRunOrder"]:
        if oid == "infection":
            continue
        outcome = outcomes[oid]
        incoming = [t for t in transitions.values() if t["target"] == oid]
        inflow = sum(leaving[t["source"]][0] * t["p"] for t in incoming)
        src_le, src_time = leaving[incoming[0]["source"]][1:]
        states = outcome.get("healthStates") or {oid: {"severityArray": outcome.get("severityArray"),
                                                       "durationArray": outcome.get("durationArray"),
                                                       "proportionArray": None}}
        drawn = []
        for s in states.values():
            drawn.append([draw(s.get("severityArray"), strata), draw(s.get("durationArray"), strata),
                          draw(s.get("proportionArray"), strata, "1"), s.get("remainingCases", False)])
        total = sum(d[2] for d in drawn)
        for d in drawn:
            if d[3]:
                d[2] = np.maximum(1 - total, 0)
                total = total + d[2]
        kind = outcome["type"].upper()
        burden = np.zeros_like(inflow)
        state_cases = []
        first = None
        for severity, duration, proportion, _ in drawn:
            c = inflow * proportion / total
            d = src_le if duration[0, 0] == -1 else discounted(duration, src_time, rate)
            d = np.minimum(d, src_le)
            exit_le = src_le - d
            burden += c * exit_le if kind == "DEATH" else c * severity * d
            state_cases.append(c)
            if first is None:
                first = (exit_le, src_time + d)
        leaving[oid] = (sum(state_cases), first[0], first[1])
        results[oid] = (kind, burden, sum(state_cases))

    # The figures the program reports, computed on whole arrays.
    tree_cases = cases * source["p"]
    k_total = tree_cases.sum(axis=0)
    pt = total_population
    death_ids = [oid for oid, r in results.items() if r[0] == "DEATH"]

    def category(y, l):
        return {"yld": stats(y), "yldPer100k": stats(y * 100000 / pt), "yldPer100kTotalPopulation": stats(y * 100000 / pt),
                "yll": stats(l), "yllPer100k": stats(l * 100000 / pt), "yllPer100kTotalPopulation": stats(l * 100000 / pt),
                "daly": stats(y + l), "dalyPerCase": stats((y + l) / k_total), "dalyPer100k": stats((y + l) * 100000 / pt),
                "dalyPer100kTotalPopulation": stats((y + l) * 100000 / pt)}

    outcome_results = []
    categories = {"ACUTE": [0, 0], "SEQUELA": [0, 0]}
    deaths_total = 0
    for oid, (kind, burden, c) in results.items():
        if kind not in categories:
            continue
        # Deaths and their years of life lost reached from this outcome.
        reached = [d for d in death_ids if any(t["source"] == oid and t["target"] == d for t in transitions.values())]
        y = burden.sum(axis=0)
        l = sum(results[d][1] for d in reached).sum(axis=0) if reached else np.zeros(N)
        d = sum(results[d][2] for d in reached).sum(axis=0) if reached else np.zeros(N)
        q = c.sum(axis=0)
        entry = category(y, l)
        entry.update({"name": outcomes[oid]["name"], "populationCasesCount": stats(q), "deathCasesCount": stats(d),
                      "allCasesCount": stats(q + d), "incidencePer100k": stats(q * 100000 / pt),
                      "mortalityPer100k": stats(d * 100000 / pt)})
        outcome_results.append(entry)
        categories[kind][0] = categories[kind][0] + burden
        categories[kind][1] = categories[kind][1] + (sum(results[d][1] for d in reached) if reached else 0)
        deaths_total = deaths_total + (sum(results[d][2] for d in reached) if reached else 0)
    acute_y, acute_l = categories["ACUTE"]
    sequela_y, sequela_l = categories["SEQUELA"]
    yld = acute_y + sequela_y
    yll = acute_l + sequela_l
    daly = yld + yll
    tree_categories = {"acute": category(acute_y.sum(axis=0), acute_l.sum(axis=0)),
                       "sequela": category(sequela_y.sum(axis=0), np.zeros(N) + np.sum(sequela_l, axis=0)),
                       "total": category(yld.sum(axis=0), yll.sum(axis=0))}
    stratified = {}
    for name, values in (("yld", yld), ("yll", yll), ("daly", daly)):
        stratified[name] = stats(values)
        stratified[name + "PerCase"] = stats(values / tree_cases)
        stratified[name + "Per100k"] = stats(100000 * values / pop)
        stratified[name + "Per100kTotalPopulation"] = stats(values * 100000 / total_population)
    totals = {}
    for name, (y, l) in (("acute", (acute_y, acute_l)), ("sequela", (sequela_y, sequela_l)), ("total", (yld, yll))):
        y = y.sum(axis=0)
        l = np.zeros(N) + np.sum(l, axis=0)
        totals[name] = {"yld": stats(y), "yldPer100k": stats(y * 100000 / total_population), "yll": stats(l),
                        "yllPer100k": stats(l * 100000 / total_population), "daly": stats(y + l),
                        "dalyPerCase": stats((y + l) / k_total), "dalyPer100k": stats((y + l) * 100000 / total_population)}
    deaths_total = np.zeros(N) + np.sum(deaths_total, axis=0)
    totals["cases"] = stats(k_total)
    totals["deaths"] = stats(deaths_total)
    return {"outcomes": outcome_results, "treeCategories": tree_categories, "stratified": stratified, "totals": totals}


def to_lists(value):
    if isinstance(value, dict):
        return {k: to_lists(v) for k, v in value.items()}
    if isinstance(value, list):
        return [to_lists(v) for v in value]
    if isinstance(value, np.ndarray):
        return value.tolist()
    if isinstance(value, np.generic):
        return value.item()
    return value


def main(argv):
    global N
    if len(argv) != 7:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1]) as f:
        spec = json.load(f)
    with open(argv[2]) as f:
        country = json.load(f)["countries"][argv[3]]
    N = int(argv[4])
    population = np.array(country["population"], dtype=float).ravel()
    life_expectancy = np.array(country["lifeExpectancy"], dtype=float).ravel()
    results = run(spec, population, life_expectancy, float(argv[5]))
    with open(argv[6], "w") as f:
        json.dump(to_lists(results), f, indent=4)
    daly = results["totals"]["total"]["daly"]
    print("DALY mean %.2f (95 %% interval %.2f - %.2f), cases %.1f, deaths %.1f" % (
        daly["Mean"], daly["Quantile0.025"], daly["Quantile0.975"], results["totals"]["cases"]["Mean"],
        results["totals"]["deaths"]["Mean"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
