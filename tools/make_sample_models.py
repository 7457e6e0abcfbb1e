#!/usr/bin/env python3
"""Writes the illustrative model specifications shipped in models/.

The numbers are invented for demonstration and testing: plausible in shape (burden
concentrated in infants and the elderly, disability weights of the usual size), but
not official data of any country or institute.
"""
import json
import os
import sys

AGES19 = ["0-4", "5-9", "10-14", "15-19", "20-24", "25-29", "30-34", "35-39", "40-44",
          "45-49", "50-54", "55-59", "60-64", "65-69", "70-74", "75-79", "80-84", "85-89", "90+"]
AGES20 = ["Congenital"] + AGES19
SEXES = ["Female", "Male"]


def table(ages, cell):
    """Rows of one array: one row per age group, one cell per sex."""
    return {"vals": [[cell(a, s) for s in range(len(SEXES))] for a in range(len(ages))]}


def const(ages, text):
    return table(ages, lambda a, s: text)


def bsi_model():
    ages = AGES19
    # Reported bloodstream infections per year: many in infants, most among the elderly.
    notified = [14, 2, 1, 2, 3, 4, 5, 6, 8, 11, 15, 21, 30, 41, 52, 58, 55, 38, 17]
    cases = table(ages, lambda a, s: str(round(notified[a] * (1.25 if s == 1 else 1.0))))
    # Case fatality rises with age.
    fatality = table(ages, lambda a, s: "RandPert(%g, %g, %g)" % (
        round(0.05 + 0.012 * a, 3), round(0.10 + 0.015 * a, 3), round(0.16 + 0.018 * a, 3)))
    spec = {
        "id": "IllustrativeCRKPBSI",
        "name": "Illustrative carbapenem-resistant K. pneumoniae bloodstream infection (example data, not official)",
        "isCongenitalType": False,
        "dims": {"order": ["age", "sex"], "values": {"age": ages, "sex": SEXES}},
        "rawCasesCountArray": cases,
        "outcomeTrees": {
            "bsi": {
                "id": "bsi",
                "name": "Bloodstream infection",
                "healthOutcomesRunOrder": ["infection", "acuteBsi", "postSepsis", "death"],
                "healthOutcomes": {
                    "infection": {"name": "Infection", "type": "INFECTION", "healthStates": {}},
                    "acuteBsi": {
                        "name": "Bloodstream infection",
                        "type": "ACUTE",
                        "healthStates": {
                            "1": {"id": "bsiUncomplicated", "name": "Uncomplicated bloodstream infection",
                                  "remainingCases": False,
                                  "severityArray": const(ages, "RandPert(0.108, 0.133, 0.163)"),
                                  "durationArray": const(ages, "RandUniform(0.027, 0.055)"),
                                  "proportionArray": const(ages, "RandUniform(0.6, 0.8)")},
                            "2": {"id": "bsiSepticShock", "name": "Septic shock",
                                  "remainingCases": True,
                                  "severityArray": const(ages, "RandPert(0.47, 0.655, 0.8)"),
                                  "durationArray": const(ages, "RandUniform(0.019, 0.041)"),
                                  "proportionArray": const(ages, "0")},
                        },
                    },
                    "postSepsis": {
                        "name": "Long-term disability after sepsis",
                        "type": "SEQUELA",
                        "healthStates": {
                            "1": {"id": "postSepsisDisability", "name": "Post-sepsis disability",
                                  "remainingCases": False,
                                  "severityArray": const(ages, "RandPert(0.02, 0.031, 0.047)"),
                                  "durationArray": const(ages, "-1"),
                                  "proportionArray": const(ages, "1")},
                        },
                    },
                    "death": {"name": "Death", "type": "DEATH", "healthStates": {},
                              "severityArray": const(ages, "0"), "durationArray": const(ages, "0")},
                },
                "transitions": {
                    "1": {"id": "toBsi", "name": "Infection to bloodstream infection",
                          "source": {"id": "infection"}, "target": {"id": "acuteBsi"},
                          "probabilityArray": const(ages, "1"),
                          "redistributeArray": const(ages, "0")},
                    "2": {"id": "bsiToDeath", "name": "Bloodstream infection to death",
                          "source": {"id": "acuteBsi"}, "target": {"id": "death"},
                          "probabilityArray": fatality,
                          "redistributeArray": const(ages, "0")},
                    "3": {"id": "bsiToSequela", "name": "Bloodstream infection to long-term disability",
                          "source": {"id": "acuteBsi"}, "target": {"id": "postSepsis"},
                          "probabilityArray": const(ages, "RandUniform(0.02, 0.06)"),
                          "redistributeArray": const(ages, "0")},
                },
            }
        },
        "outcomeTreeMapping": const(ages, "bsi"),
    }
    return spec


def congenital_model():
    ages = AGES20
    notified = [25, 9, 2, 1, 1, 2, 4, 5, 5, 4, 4, 5, 7, 9, 12, 15, 16, 13, 8, 3]
    cases = table(ages, lambda a, s: str(round(notified[a] * (1.1 if s == 1 else 1.0))))
    perinatal = "perinatal"
    acquired = "acquired"
    spec = {
        "id": "IllustrativeListeriosis",
        "name": "Illustrative listeriosis with perinatal cases (example data, not official)",
        "isCongenitalType": True,
        "dims": {"order": ["age", "sex"], "values": {"age": ages, "sex": SEXES}},
        "rawCasesCountArray": cases,
        "outcomeTrees": {
            "1perinatal": {
                "id": perinatal,
                "name": "Perinatal listeriosis",
                "healthOutcomesRunOrder": ["infection", "neonatal", "neuro", "death"],
                "healthOutcomes": {
                    "infection": {"name": "Infection", "type": "INFECTION", "healthStates": {}},
                    "neonatal": {"name": "Neonatal listeriosis", "type": "ACUTE", "healthStates": {},
                                 "severityArray": const(ages, "RandPert(0.11, 0.133, 0.16)"),
                                 "durationArray": const(ages, "RandUniform(0.03, 0.06)")},
                    "neuro": {"name": "Neurological sequelae", "type": "SEQUELA", "healthStates": {},
                              "severityArray": const(ages, "RandPert(0.01, 0.03, 0.1)"),
                              "durationArray": const(ages, "-1")},
                    "death": {"name": "Neonatal death", "type": "DEATH", "healthStates": {},
                              "severityArray": const(ages, "0"), "durationArray": const(ages, "0")},
                },
                "transitions": {
                    "1": {"id": "pToNeonatal", "name": "Infection to neonatal listeriosis",
                          "source": {"id": "infection"}, "target": {"id": "neonatal"},
                          "probabilityArray": const(ages, "1"), "redistributeArray": const(ages, "0")},
                    "2": {"id": "pToDeath", "name": "Neonatal listeriosis to death",
                          "source": {"id": "neonatal"}, "target": {"id": "death"},
                          "probabilityArray": const(ages, "RandPert(0.2, 0.26, 0.33)"),
                          "redistributeArray": const(ages, "0")},
                    "3": {"id": "pToNeuro", "name": "Neonatal listeriosis to neurological sequelae",
                          "source": {"id": "neonatal"}, "target": {"id": "neuro"},
                          "probabilityArray": const(ages, "RandUniform(0.1, 0.2)"),
                          "redistributeArray": const(ages, "0")},
                },
            },
            "2acquired": {
                "id": acquired,
                "name": "Acquired listeriosis",
                "healthOutcomesRunOrder": ["infection", "asymptomatic", "invasive", "meningitisSequelae", "death",
                                           "recovered"],
                "healthOutcomes": {
                    "infection": {"name": "Infection", "type": "INFECTION", "healthStates": {}},
                    "asymptomatic": {"name": "Asymptomatic carriage", "type": "ASYMPTOMATIC", "healthStates": {},
                                     "severityArray": const(ages, "0"), "durationArray": const(ages, "0.02")},
                    "invasive": {
                        "name": "Invasive listeriosis",
                        "type": "ACUTE",
                        "healthStates": {
                            "1": {"id": "septicaemia", "name": "Septicaemia", "remainingCases": True,
                                  "severityArray": const(ages, "RandPert(0.108, 0.133, 0.163)"),
                                  "durationArray": const(ages, "RandUniform(0.03, 0.05)"),
                                  "proportionArray": const(ages, "0")},
                            "2": {"id": "meningitis", "name": "Meningitis", "remainingCases": False,
                                  "severityArray": const(ages, "RandPert(0.4, 0.6, 0.75)"),
                                  "durationArray": const(ages, "RandUniform(0.03, 0.08)"),
                                  "proportionArray": const(ages, "RandUniform(0.2, 0.35)")},
                        },
                    },
                    "meningitisSequelae": {"name": "Meningitis sequelae", "type": "SEQUELA", "healthStates": {},
                                           "severityArray": const(ages, "RandPert(0.01, 0.05, 0.1)"),
                                           "durationArray": const(ages, "-1")},
                    "death": {"name": "Death", "type": "DEATH", "healthStates": {},
                              "severityArray": const(ages, "0"), "durationArray": const(ages, "0")},
                    "recovered": {"name": "Recovery", "type": "RECOVERY", "healthStates": {}},
                },
                "transitions": {
                    "1": {"id": "aToInvasive", "name": "Infection to invasive listeriosis",
                          "source": {"id": "infection"}, "target": {"id": "invasive"},
                          "probabilityArray": const(ages, "RandUniform(0.5, 0.7)"),
                          "redistributeArray": const(ages, "0")},
                    "2": {"id": "aToAsymptomatic", "name": "Infection to asymptomatic carriage",
                          "source": {"id": "infection"}, "target": {"id": "asymptomatic"},
                          "complementaryType": True, "complementaryTransition": "aToInvasive",
                          "probabilityArray": const(ages, "0"), "redistributeArray": const(ages, "0")},
                    "3": {"id": "aToDeath", "name": "Invasive listeriosis to death",
                          "source": {"id": "invasive"}, "target": {"id": "death"},
                          "probabilityArray": table(ages, lambda a, s: "RandPert(%g, %g, %g)" % (
                              round(0.04 + 0.01 * a, 3), round(0.08 + 0.012 * a, 3), round(0.12 + 0.015 * a, 3))),
                          "redistributeArray": const(ages, "0")},
                    "4": {"id": "aToSequelae", "name": "Invasive listeriosis to meningitis sequelae",
                          "source": {"id": "invasive"}, "target": {"id": "meningitisSequelae"},
                          "annualType": True, "annualDuration": "5",
                          "probabilityArray": const(ages, "RandUniform(0.002, 0.006)"),
                          "redistributeArray": const(ages, "0")},
                    "5": {"id": "aToRecovered", "name": "Invasive listeriosis to recovery",
                          "source": {"id": "invasive"}, "target": {"id": "recovered"},
                          "complementaryType": True, "complementaryTransition": "aToDeath",
                          "probabilityArray": const(ages, "0"), "redistributeArray": const(ages, "0")},
                },
            },
        },
        "outcomeTreeMapping": table(ages, lambda a, s: perinatal if a == 0 else acquired),
    }
    return spec


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "models")
    for name, spec in (("Illustrative-CRKP-BSI.model_spec.json", bsi_model()),
                       ("Illustrative-Listeriosis.model_spec.json", congenital_model())):
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            json.dump(spec, f, indent=2)
            f.write("\n")


if __name__ == "__main__":
    main()
