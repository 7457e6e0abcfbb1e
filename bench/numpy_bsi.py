#!/usr/bin/python3
"""The shipped bloodstream-infection model written directly in NumPy, as an epidemiologist who
knows Python would write it: every parameter drawn for all iterations at once, the outcome
tree computed on whole arrays, np.quantile for the quantiles. Used to time the program against
a plain vectorised script (bench/compare_numpy.sh); its random numbers are NumPy's, so its
results agree with the program's only up to Monte-Carlo error.

    numpy_bsi.py <model specification> <countries.json> <country> <iterations> <discount rate>
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

    acute = sum(b for k, b, _ in results.values() if k == "ACUTE")
    sequela = sum(b for k, b, _ in results.values() if k == "SEQUELA")
    yll = sum(b for k, b, _ in results.values() if k == "DEATH")
    deaths = sum(c for k, _, c in results.values() if k == "DEATH")
    yld = acute + sequela
    daly = yld + yll
    tree_cases = cases * source["p"]
    summary = {}
    for name, values in (("yld", yld), ("yll", yll), ("daly", daly)):
        summary[name] = stats(values)
        summary[name + "PerCase"] = stats(values / tree_cases)
        summary[name + "Per100k"] = stats(100000 * values / pop)
        summary[name + "Per100kTotalPopulation"] = stats(values * 100000 / total_population)
        summary["total/" + name] = stats(values.sum(axis=0))
    summary["total/cases"] = stats(tree_cases.sum(axis=0))
    summary["total/deaths"] = stats(deaths.sum(axis=0))
    for oid, (kind, burden, c) in results.items():
        summary["outcome/" + oid] = {"yld": stats(burden.sum(axis=0)), "cases": stats(c.sum(axis=0))}
    return summary


def main(argv):
    global N
    if len(argv) != 6:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1]) as f:
        spec = json.load(f)
    with open(argv[2]) as f:
        country = json.load(f)["countries"][argv[3]]
    N = int(argv[4])
    population = np.array(country["population"], dtype=float).ravel()
    life_expectancy = np.array(country["lifeExpectancy"], dtype=float).ravel()
    summary = run(spec, population, life_expectancy, float(argv[5]))
    daly = summary["total/daly"]
    print("DALY mean %.2f (95 %% interval %.2f - %.2f), cases %.1f, deaths %.1f" % (
        daly["Mean"], daly["Quantile0.025"], daly["Quantile0.975"], summary["total/cases"]["Mean"],
        summary["total/deaths"]["Mean"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
