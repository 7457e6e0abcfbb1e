#!/usr/bin/env python3
"""Writes an illustrative reference data set for all 33 known countries and all 85 known
diseases, for benchmarks and tests of the EU/EEA-wide run (not the program's default data).

Every number is INVENTED: the shapes are those of a shipped bloodstream infection, scaled by
made-up factors per pathogen, infection site and country, with the populations of
data/countries.json. Nothing here is an official statistic or estimate. Two shapes:

  --shape specification (default)  the shipped model specification
                                   models/Illustrative-CRKP-BSI.model_spec.json, turned into
                                   reference data (eight random parameters per stratum)
  --shape reference                the reference data sample data/disease-BaselineBSI.json
                                   (ten random parameters per stratum, among them the
                                   corrections, so about twice the random draws)

    tools/make_eu_dataset.py [--shape specification|reference] <shipped data folder> <output folder>

then turn the output folder into a reference data cache with
    ozmid-refdata build <output folder> <base folder>
"""
import copy
import hashlib
import json
import os
import re
import sys

NOTE = ("ILLUSTRATIVE: invented numbers derived from the shipped sample for benchmarks and tests "
        "of the EU/EEA-wide run; not official statistics or estimates.")

COUNTRIES = [
    ("CustomPopulation", "Custom population", 5.0), ("EUEEA", "EU/EEA", 452.0),
    ("Austria", "Austria", 9.1), ("Belgium", "Belgium", 11.7), ("Bulgaria", "Bulgaria", 6.4),
    ("Croatia", "Croatia", 3.9), ("Cyprus", "Cyprus", 0.9), ("CzechRepublic", "Czech Republic", 10.8),
    ("Denmark", "Denmark", 5.9), ("Estonia", "Estonia", 1.4), ("Finland", "Finland", 5.6),
    ("France", "France", 68.2), ("Germany", "Germany", 84.3), ("Greece", "Greece", 10.4),
    ("Hungary", "Hungary", 9.6), ("Iceland", "Iceland", 0.4), ("Ireland", "Ireland", 5.2),
    ("Italy", "Italy", 58.9), ("Latvia", "Latvia", 1.9), ("Lithuania", "Lithuania", 2.9),
    ("Luxembourg", "Luxembourg", 0.7), ("Malta", "Malta", 0.5), ("Netherlands", "Netherlands", 17.9),
    ("Norway", "Norway", 5.5), ("Poland", "Poland", 36.8), ("Portugal", "Portugal", 10.5),
    ("Romania", "Romania", 19.0), ("Slovakia", "Slovakia", 5.4), ("Slovenia", "Slovenia", 2.1),
    ("Spain", "Spain", 48.1), ("Sweden", "Sweden", 10.5), ("UnitedKingdom", "United Kingdom", 67.6),
    ("Generic", "Generic population", 10.0),
]

STEMS = [
    ("Baseline", "Baseline", 1.0, 1.0),
    ("Klebsiella3GCRKP", "3GC-resistant K. pneumoniae", 0.9, 1.2),
    ("KlebsiellaCRKP", "Carbapenem-resistant K. pneumoniae", 0.25, 1.5),
    ("KlebsiellaColRKP", "Colistin-resistant K. pneumoniae", 0.05, 1.6),
    ("EscherichiaColi3GCREC", "3GC-resistant E. coli", 2.0, 1.1),
    ("EscherichiaColiCREC", "Carbapenem-resistant E. coli", 0.05, 1.4),
    ("EscherichiaColiColREC", "Colistin-resistant E. coli", 0.04, 1.4),
    ("AcinetobacterSppMDRACI", "Multidrug-resistant Acinetobacter spp.", 0.1, 1.7),
    ("AcinetobacterSppCRACI", "Carbapenem-resistant Acinetobacter spp.", 0.2, 1.8),
    ("AcinetobacterSppColRACI", "Colistin-resistant Acinetobacter spp.", 0.03, 1.9),
    ("PseudomonasAeruginosaMDRPA", "Multidrug-resistant P. aeruginosa", 0.3, 1.4),
    ("PseudomonasAeruginosaCRPA", "Carbapenem-resistant P. aeruginosa", 0.4, 1.5),
    ("PseudomonasAeruginosaColRPA", "Colistin-resistant P. aeruginosa", 0.03, 1.6),
    ("StaphylococcusAureusMRSA", "Methicillin-resistant S. aureus", 1.2, 1.2),
    ("EnterococcusFaecalisVRE", "Vancomycin-resistant E. faecalis", 0.3, 1.3),
    ("StreptococcusPneumoniaePRSP", "Penicillin-resistant S. pneumoniae", 0.3, 1.1),
    ("StreptococcusPneumoniaePMRSP", "Penicillin- and macrolide-resistant S. pneumoniae", 0.15, 1.1),
]

# Infection sites: how often each occurs relative to bloodstream infections, how deadly and
# how long the acute illness lasts, relative to the sample.
SITES = [
    ("BSI", "bloodstream infection", 1.0, 1.0, 1.0),
    ("RESP", "respiratory infection", 1.6, 0.8, 1.2),
    ("UTI", "urinary tract infection", 3.0, 0.2, 0.6),
    ("SSI", "surgical site infection", 0.8, 0.3, 1.5),
    ("OTH", "other infection", 0.5, 0.5, 1.0),
]

NUMBER = re.compile(r"(?<![A-Za-z_])\d+(?:\.\d+)?(?:[eE][-+]?\d+)?")


def disease_id(stem, site):
    # The respiratory infection of the last stem is spelled with "RES", as the program knows it.
    if stem == "StreptococcusPneumoniaePMRSP" and site == "RESP":
        return stem + "RES"
    return stem + site


def spread(key, low, high):
    """A made-up but reproducible factor in [low, high] for key."""
    digest = hashlib.sha256(key.encode()).digest()
    return low + (high - low) * int.from_bytes(digest[:4], "big") / 0xFFFFFFFF


def scale_numbers(formula, factor, cap=None):
    def scaled(match):
        value = float(match.group(0)) * factor
        if cap is not None:
            value = min(value, cap)
        return "%.4g" % value
    return NUMBER.sub(scaled, formula)


def map_cells(table, cell):
    """Applies cell to every formula of a table (a formula, rows of formulas or {"values": ...})."""
    if isinstance(table, dict):
        out = dict(table)
        out["values"] = map_cells(table["values"], cell)
        return out
    if isinstance(table, list):
        return [[cell(str(c)) for c in row] for row in table]
    return cell(str(table))


def countries_file(shipped):
    factors = shipped["factors"]
    generic = shipped["countries"]["Generic"]
    generic_total = sum(sum(row) for row in generic["population"])
    countries = {}
    for cid, caption, millions in COUNTRIES:
        if cid in shipped["countries"]:
            entry = copy.deepcopy(shipped["countries"][cid])
        else:
            share = millions * 1e6 / generic_total
            older = spread(cid + "/age", 0.9, 1.1)
            entry = {
                "caption": caption,
                "population": [[round(p * share * (older if a >= 12 else 1.0)) for p in row]
                               for a, row in enumerate(generic["population"])],
                "lifeExpectancy": [[round(max(1.0, le + spread(cid + "/le", -2.5, 1.5)), 1) for le in row]
                                   for row in generic["lifeExpectancy"]],
            }
        if cid == "CustomPopulation":
            # A placeholder, like EUEEA and Generic (marked in the shipped data): no country of its own.
            entry["region"] = True
        countries[cid] = entry
    return {"kind": "countries", "note": NOTE, "factors": factors, "countries": countries}


def disease_file(sample, countries, stem, site):
    stem_id, pathogen, frequency, severity = stem
    site_id, site_name, site_frequency, site_fatality, site_duration = site
    did = disease_id(stem_id, site_id)
    spec = copy.deepcopy({k: v for k, v in sample.items() if k != "data"})
    spec["note"] = NOTE
    spec["id"] = did
    spec["caption"] = "%s, %s (illustrative)" % (pathogen, site_name)
    generic = copy.deepcopy(sample["data"]["Generic"])
    notified_scale = frequency * site_frequency
    generic["notificationData"] = map_cells(
        generic["notificationData"], lambda c: str(max(0, round(float(c) * notified_scale))))
    params = generic["parameters"]["BSI"]
    # The acute states last longer or shorter by site; the transition to death is more or less likely.
    for state_id, state in params["healthStates"].items():
        if state_id in ("acuteIllness", "bsiUncomplicated", "bsiSepticShock"):
            state["duration"] = map_cells(state["duration"], lambda c: scale_numbers(c, site_duration))
    for transition_id, transition in params["transitions"].items():
        if transition_id in ("acuteToDeath", "bsiToDeath"):
            transition["probability"] = map_cells(
                transition["probability"], lambda c: scale_numbers(c, severity * site_fatality, cap=0.95))
    data = {"Generic": generic}
    generic_total = sum(sum(row) for row in countries["countries"]["Generic"]["population"])
    for cid, _, _ in COUNTRIES:
        if cid == "Generic":
            continue
        population = sum(sum(row) for row in countries["countries"][cid]["population"])
        share = population / generic_total * spread(cid + "/" + did, 0.6, 1.4)
        data[cid] = {"notificationData": map_cells(
            generic["notificationData"], lambda c: str(max(0, round(float(c) * share))))}
    spec["data"] = data
    return did, spec


def table_of(array):
    """A specification's array object as a table of the reference data sources."""
    return [[str(c) for c in row] for row in array["vals"]]


def meta(values, **entries):
    return {"values": values, "meta": dict(entries)}


def sample_from_specification(path):
    """The shipped bloodstream-infection specification as a reference data disease: the same
    tree, states, transitions and parameter tables, with its notified cases as the Generic data."""
    with open(path, encoding="utf-8") as f:
        spec = json.load(f)
    tree = next(iter(spec["outcomeTrees"].values()))
    outcomes = tree["healthOutcomes"]
    ages = spec["dims"]["values"]["age"]
    factors = [{"name": "Age", "levels": ages}, {"name": "Sex", "levels": spec["dims"]["values"]["sex"]}]
    health_outcomes, health_states, states = [], [], {}
    for oid in tree["healthOutcomesRunOrder"]:
        outcome = outcomes[oid]
        kind = outcome["type"].upper()
        health_outcomes.append({"id": oid, "name": outcome["name"], "type": kind,
                                "reported": kind in ("ACUTE", "SEQUELA")})
        category = {"INFECTION": "INFECTION", "ACUTE": "YLD", "SEQUELA": "YLD", "DEATH": "YLL"}[kind]
        if kind == "INFECTION":
            health_states.append({"id": oid + "State", "name": outcome["name"], "outcome": oid, "category": category})
            continue
        given = outcome.get("healthStates") or {oid: {"id": oid + "State", "name": outcome["name"],
                                                      "severityArray": outcome.get("severityArray"),
                                                      "durationArray": outcome.get("durationArray")}}
        for state in given.values():
            health_states.append({"id": state["id"], "name": state["name"], "outcome": oid, "category": category})
            parameters = {"severity": table_of(state["severityArray"]), "duration": table_of(state["durationArray"])}
            if state.get("proportionArray"):
                parameters["proportion"] = meta(table_of(state["proportionArray"]),
                                                **{"remaining cases": "Yes" if state.get("remainingCases") else "No"})
            states[state["id"]] = parameters
    transitions, transition_parameters = [], {}
    for transition in tree["transitions"].values():
        source = transition["source"]["id"]
        if outcomes.get(source, {}).get("type", "").upper() == "INFECTION":
            source += "State"
        transitions.append({"id": transition["id"], "name": transition["name"], "source": source,
                            "target": transition["target"]["id"]})
        transition_parameters[transition["id"]] = {
            "probability": meta(table_of(transition["probabilityArray"]), redistribute="no",
                                **{"direct type": "yes", "duration": "-1"})}
    generic = {"notificationData": table_of(spec["rawCasesCountArray"]), "outcomeTreeMapping": "1",
               "coverage": "1", "underestimation": "1", "underreporting": "1", "underascertainment": "1",
               "underestimationType": {"type": "0"},
               "parameters": {"BSI": {"healthStates": states, "transitions": transition_parameters}}}
    return {"kind": "disease", "id": "BaselineBSI", "caption": spec["name"], "runFactors": factors,
            "outcomeTrees": [{"id": "BSI", "healthOutcomes": health_outcomes, "healthStates": health_states,
                              "transitions": transitions}],
            "data": {"Generic": generic}}


def main(argv):
    arguments = argv[1:]
    shape = "specification"
    if arguments[:1] == ["--shape"] and len(arguments) >= 2:
        shape = arguments[1]
        arguments = arguments[2:]
    if len(arguments) != 2 or shape not in ("specification", "reference"):
        sys.stderr.write(__doc__)
        return 2
    source, target = arguments
    with open(os.path.join(source, "countries.json"), encoding="utf-8") as f:
        shipped = json.load(f)
    if shape == "reference":
        with open(os.path.join(source, "disease-BaselineBSI.json"), encoding="utf-8") as f:
            sample = json.load(f)
    else:
        sample = sample_from_specification(os.path.join(source, "..", "models",
                                                        "Illustrative-CRKP-BSI.model_spec.json"))
    os.makedirs(target, exist_ok=True)
    countries = countries_file(shipped)
    with open(os.path.join(target, "countries.json"), "w", encoding="utf-8") as f:
        json.dump(countries, f)
    count = 0
    for stem in STEMS:
        for site in SITES:
            did, spec = disease_file(sample, countries, stem, site)
            with open(os.path.join(target, "disease-%s.json" % did), "w", encoding="utf-8") as f:
                json.dump(spec, f)
            count += 1
    sys.stderr.write("Wrote %d countries and %d diseases (%s shape) to %s\n" % (len(COUNTRIES), count, shape, target))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
