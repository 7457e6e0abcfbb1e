#!/usr/bin/python3
"""The mutation gate: applies one listed mutant at a time, rebuilds the test programs in a
build folder of its own, runs them and prints which test program killed which mutant.

Each mutant replaces one snippet of one source file; the snippet must occur exactly once, so
a list that no longer matches the code says so instead of mutating something else. The file
is restored after every mutant, also when the build fails or the run is interrupted.
"""

import argparse
import json
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Test programs without a window; the graphical ones run only for mutants of the controller
# and the shell, under a virtual display.
PLAIN_PROGRAMS = [
    "test_ut", "test_ut_workbook", "test_fn", "test_fn_values", "test_fn_data", "test_fn_stats",
    "test_fn_model", "test_fn_run", "test_ui", "test_app", "test_app_batch", "test_app_refdata",
]
GRAPHICAL_PROGRAMS = ["test_ui_shell"]
# The end-to-end test programs start these; they and the graphical tests read the staged data.
PROGRAM_TARGETS = ["ozmid", "ozmid-batch", "ozmid-refdata"]
STAGED_TARGETS = ["reference_data", "reference_workbooks", "staged_models", "staged_reports"]


class Mutant:
    def __init__(self, mutant_id, path, original, replacement, description):
        self.id = mutant_id
        self.path = path
        self.original = original
        self.replacement = replacement
        self.description = description


def unescape(field):
    """Fields are single lines; \\t, \\n and \\\\ stand for a tab, a newline and a backslash."""
    out = []
    i = 0
    while i < len(field):
        c = field[i]
        if c == "\\" and i + 1 < len(field):
            nxt = field[i + 1]
            if nxt in "tn\\":
                out.append({"t": "\t", "n": "\n", "\\": "\\"}[nxt])
                i += 2
                continue
        out.append(c)
        i += 1
    return "".join(out)


def read_mutants(list_path):
    mutants = []
    for number, line in enumerate(list_path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 5:
            sys.exit(f"{list_path}:{number}: expected 5 tab-separated fields, found {len(fields)}")
        mutant_id, path, original, replacement, description = fields
        mutants.append(Mutant(mutant_id, path, unescape(original), unescape(replacement), description))
    ids = [m.id for m in mutants]
    duplicates = sorted({i for i in ids if ids.count(i) > 1})
    if duplicates:
        sys.exit(f"{list_path}: duplicate mutant ids: {', '.join(duplicates)}")
    return mutants


def check_mutant(mutant):
    """The reason the mutant cannot be applied, or None."""
    source = ROOT / mutant.path
    if not source.is_file():
        return f"no file {mutant.path}"
    count = source.read_text(encoding="utf-8").count(mutant.original)
    if count != 1:
        return f"snippet occurs {count} times in {mutant.path}"
    if mutant.original == mutant.replacement:
        return "replacement equals the snippet"
    return None


def is_graphical_scope(mutant):
    return mutant.path.startswith("ui/")


def programs_for(mutant):
    programs = list(PLAIN_PROGRAMS)
    if is_graphical_scope(mutant):
        programs += GRAPHICAL_PROGRAMS
    return programs


class Gate:
    def __init__(self, args):
        self.build = (ROOT / args.build_dir).resolve()
        self.jobs = args.jobs
        self.timeout = args.timeout
        self.first_kill = args.first_kill
        self.log = None

    def run(self, command, timeout=None, env=None, log_name=None, cwd=ROOT):
        """Runs command in its own process group; returns (exit code or 'timeout', seconds)."""
        started = time.monotonic()
        out = subprocess.DEVNULL
        if log_name:
            out = open(self.build / "mutate-logs" / log_name, "w", encoding="utf-8")
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env,
                                   start_new_session=True)
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            code = "timeout"
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise
        finally:
            if log_name:
                out.close()
        return code, time.monotonic() - started

    def configure(self):
        if (self.build / "CMakeCache.txt").is_file():
            return
        code, _ = self.run(["cmake", "-S", str(ROOT), "-B", str(self.build), "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                            "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DOZMID_BUILD_BENCH=OFF"])
        if code != 0:
            sys.exit(f"configuring {self.build} failed")

    def build_targets(self, programs, log_name):
        targets = []
        staged = any(p.startswith("test_app") or p in GRAPHICAL_PROGRAMS for p in programs)
        extra = PROGRAM_TARGETS + STAGED_TARGETS if staged else []
        for target in programs + extra:
            targets += ["--target", target]
        code, seconds = self.run(["cmake", "--build", str(self.build), f"-j{self.jobs}"] + targets,
                                 log_name=log_name)
        return code == 0, seconds

    def run_program(self, program, log_name):
        binary = self.build / "bin" / program
        if not binary.is_file():
            binary = self.build / "tests" / program
        env = dict(os.environ)
        command = [str(binary), "--gtest_brief=1"]
        if program in GRAPHICAL_PROGRAMS:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
            command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset"] + command
        else:
            env.pop("DISPLAY", None)
            env["QT_QPA_PLATFORM"] = "offscreen"
        # Where the test command runs them.
        code, seconds = self.run(command, timeout=self.timeout, env=env, log_name=log_name, cwd=self.build / "tests")
        return code, seconds


def apply(mutant, pending):
    source = ROOT / mutant.path
    text = source.read_text(encoding="utf-8")
    # Kept until the file is restored: a gate killed outright restores it on its next start.
    pending.write_text(json.dumps({"path": mutant.path, "text": text}), encoding="utf-8")
    source.write_text(text.replace(mutant.original, mutant.replacement, 1), encoding="utf-8")
    return text


def restore(path, text, pending):
    # The restored file keeps a new modification time so that the next build recompiles it.
    (ROOT / path).write_text(text, encoding="utf-8")
    pending.unlink(missing_ok=True)


def restore_pending(pending):
    if pending.is_file():
        left = json.loads(pending.read_text(encoding="utf-8"))
        restore(left["path"], left["text"], pending)
        print(f"restored {left['path']}, left mutated by an earlier gate run", file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", default="scripts/mutants.tsv", help="the mutant list (tab-separated)")
    parser.add_argument("--only", help="comma-separated mutant ids to run")
    parser.add_argument("--limit", type=int, help="run at most N mutants")
    parser.add_argument("--build-dir", default="build-mutate")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=900, help="seconds per test program run")
    parser.add_argument("--first-kill", action="store_true",
                        help="stop running a mutant's test programs at the first that fails (no full matrix row)")
    parser.add_argument("--programs", help="comma-separated test programs to run instead of all of them")
    parser.add_argument("--check", action="store_true", help="only check that every snippet matches once")
    parser.add_argument("--report", default=None, help="where to write the report (default: BUILD/mutation-report.txt)")
    args = parser.parse_args()

    pending = (ROOT / args.build_dir).resolve() / "mutate-pending.json"
    restore_pending(pending)
    mutants = read_mutants(ROOT / args.list)
    invalid = {m.id: check_mutant(m) for m in mutants if check_mutant(m)}
    for mutant_id, reason in invalid.items():
        print(f"invalid mutant {mutant_id}: {reason}", file=sys.stderr)
    if args.check:
        print(f"{len(mutants)} mutants, {len(invalid)} invalid")
        return 1 if invalid else 0

    selected = [m for m in mutants if m.id not in invalid]
    if args.only:
        wanted = [i.strip() for i in args.only.split(",") if i.strip()]
        unknown = [i for i in wanted if i not in {m.id for m in mutants}]
        if unknown:
            sys.exit(f"unknown mutant ids: {', '.join(unknown)}")
        # In the order asked for.
        by_id = {m.id: m for m in selected}
        selected = [by_id[i] for i in wanted if i in by_id]
    if args.limit is not None:
        selected = selected[: args.limit]
    if not selected:
        sys.exit("no mutant to run")

    # Ctrl-C and termination end the current step and restore the file before leaving.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    gate = Gate(args)
    gate.configure()
    (gate.build / "mutate-logs").mkdir(exist_ok=True)
    report_path = Path(args.report) if args.report else gate.build / "mutation-report.txt"

    needs_graphical = any(is_graphical_scope(m) for m in selected)
    all_programs = PLAIN_PROGRAMS + (GRAPHICAL_PROGRAMS if needs_graphical else [])
    if args.programs:
        # A mutant that survives these has survived only these.
        asked = [p.strip() for p in args.programs.split(",") if p.strip()]
        unknown = [p for p in asked if p not in PLAIN_PROGRAMS + GRAPHICAL_PROGRAMS]
        if unknown:
            sys.exit(f"unknown test programs: {', '.join(unknown)}")
        all_programs = [p for p in all_programs if p in asked]

    # The unmutated tree first: a program that fails already cannot tell mutants apart. The
    # outcome is kept for the commit it was found on, while no tracked file differs from it.
    baseline_file = gate.build / "mutate-baseline.json"
    head = subprocess.run(["git", "rev-parse", "HEAD"], cwd=ROOT, capture_output=True, text=True).stdout.strip()
    clean = subprocess.run(["git", "diff", "--quiet", "HEAD"], cwd=ROOT).returncode == 0
    known = json.loads(baseline_file.read_text(encoding="utf-8")) if baseline_file.is_file() else {}
    if clean and known.get("head") == head and set(all_programs) <= set(known.get("programs", [])):
        broken = [p for p in known["broken"] if p in all_programs]
        print(f"baseline of {head[:10]} known", flush=True)
    else:
        print(f"baseline: building and running {len(all_programs)} test programs ...", flush=True)
        built, _ = gate.build_targets(all_programs, "baseline-build.log")
        if not built:
            sys.exit(f"the unmutated tree does not build; see {gate.build}/mutate-logs/baseline-build.log")
        broken = []
        for program in all_programs:
            code, _ = gate.run_program(program, f"baseline-{program}.log")
            if code != 0:
                broken.append(program)
        if clean:
            baseline_file.write_text(json.dumps({"head": head, "programs": all_programs, "broken": broken}),
                                     encoding="utf-8")
    if broken:
        print(f"baseline: failing without mutation, left out: {', '.join(broken)}", flush=True)
    programs_ok = [p for p in all_programs if p not in broken]

    rows = {}  # mutant id -> {"status", "kills": {program: mark}, "seconds"}
    interrupted = False
    for index, mutant in enumerate(selected, 1):
        started = time.monotonic()
        print(f"[{index}/{len(selected)}] {mutant.id} {mutant.path}: {mutant.description}", flush=True)
        text = apply(mutant, pending)
        row = {"status": "survived", "kills": {}}
        try:
            programs = [p for p in programs_for(mutant) if p in programs_ok]
            # The test programs of the mutated folder first: they are the likeliest to kill it.
            folder = "test_" + "_".join(Path(mutant.path).parent.parts[:2])
            programs.sort(key=lambda p: 0 if folder.startswith(p) or p.startswith(folder) else 1)
            # Each program is built just before it runs: a mutant killed early costs one link.
            compiled = False
            for program in programs:
                built, _ = gate.build_targets([program], f"{mutant.id}-build-{program}.log")
                if not built:
                    if not compiled:
                        row["status"] = "stillborn"
                        break
                    row["kills"][program] = "B"
                    continue
                compiled = True
                code, _ = gate.run_program(program, f"{mutant.id}-{program}.log")
                if code != 0:
                    row["kills"][program] = "T" if code == "timeout" else "X"
                    row["status"] = "killed"
                    if gate.first_kill:
                        break
                else:
                    row["kills"][program] = "."
        except KeyboardInterrupt:
            interrupted = True
            row["status"] = "interrupted"
        finally:
            restore(mutant.path, text, pending)
        row["seconds"] = time.monotonic() - started
        rows[mutant.id] = row
        print(f"    {row['status']} ({row['seconds']:.0f} s)"
              + (f" by {', '.join(p for p, k in row['kills'].items() if k != '.')}" if row["status"] == "killed" else ""),
              flush=True)
        if interrupted:
            break

    report = render(selected, rows, programs_ok, broken, invalid)
    print(report)
    report_path.write_text(report, encoding="utf-8")
    print(f"report written to {report_path}")
    return 130 if interrupted else 0


def render(selected, rows, programs, broken, invalid):
    short = {p: p.replace("test_", "") for p in programs}
    lines = ["Kill matrix (X killed, T timed out, . ran and passed, B did not build, blank not run):", ""]
    width = max(len(m.id) for m in selected)
    header = " " * width + "  " + " ".join(f"{short[p]:>{max(2, len(short[p]))}}" for p in programs) + "  status"
    lines.append(header)
    for mutant in selected:
        row = rows.get(mutant.id)
        if row is None:
            continue
        cells = " ".join(f"{row['kills'].get(p, ''):>{max(2, len(short[p]))}}" for p in programs)
        lines.append(f"{mutant.id:<{width}}  {cells}  {row['status']}")
    ran = [m for m in selected if m.id in rows and rows[m.id]["status"] in ("killed", "survived")]
    killed = [m for m in ran if rows[m.id]["status"] == "killed"]
    survivors = [m for m in ran if rows[m.id]["status"] == "survived"]
    stillborn = [m for m in selected if m.id in rows and rows[m.id]["status"] == "stillborn"]
    not_run = [m for m in selected if m.id not in rows or rows[m.id]["status"] == "interrupted"]
    lines += ["", "Survivors:"]
    lines += [f"  {m.id} {m.path}: {m.description}" for m in survivors] or ["  none"]
    if stillborn:
        lines += ["", "Stillborn (did not compile): " + ", ".join(m.id for m in stillborn)]
    if broken:
        lines += ["", "Failing without mutation, left out: " + ", ".join(broken)]
    if invalid:
        lines += ["", "Invalid (snippet not found exactly once): " + ", ".join(sorted(invalid))]
    rate = f"{100.0 * len(killed) / len(ran):.1f} %" if ran else "n/a"
    lines += ["", f"Killed {len(killed)} of {len(ran)} mutants that compiled and ran: {rate}"
              f" ({len(stillborn)} stillborn, {len(not_run)} not run)", ""]
    return "\n".join(lines)


if __name__ == "__main__":
    sys.exit(main())
