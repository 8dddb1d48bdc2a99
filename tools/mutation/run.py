#!/usr/bin/env python3
"""Mutation check: applies each one-line fault of faults.txt to the code, rebuilds
in its own build folder, runs the test suite, and reports which faults no test
run catches. Not part of the test suite: it takes about a minute per fault.

    python3 tools/mutation/run.py [--only ID ...] [--report FILE] [--jobs N]

Every fault is undone before the next one (also when the run is interrupted).
A fault that does not compile is reported as such: fix its entry."""
import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def load_faults(path):
    faults, entry = [], {}
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            if entry:
                faults.append(entry)
                entry = {}
            continue
        key, _, value = line.partition(": ")
        entry[key] = value
    if entry:
        faults.append(entry)
    for f in faults:
        missing = {"id", "file", "find", "replace", "why"} - f.keys()
        if missing:
            sys.exit(f"faults.txt: entry {f.get('id', '?')} lacks {', '.join(sorted(missing))}")
    return faults


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", nargs="*", help="fault ids to run (default: all)")
    parser.add_argument("--report", default=os.path.join(ROOT, "build", "mutation-report.txt"))
    parser.add_argument("--jobs", default=str(os.cpu_count() or 2))
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "mutation"))
    args = parser.parse_args()

    faults = load_faults(os.path.join(ROOT, "tools", "mutation", "faults.txt"))
    if args.only:
        faults = [f for f in faults if f["id"] in args.only]

    configure = ["cmake", "-S", ".", "-B", args.build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DCORVEX_BUILD_BENCH=OFF"]
    if run(configure).returncode != 0 or run(["cmake", "--build", args.build_dir, "-j", args.jobs]).returncode != 0:
        sys.exit("the unchanged tree does not build")
    ctest = ["ctest", "--test-dir", args.build_dir, "-j", args.jobs, "--timeout", "300", "--stop-on-failure"]
    if run(ctest).returncode != 0:
        sys.exit("the unchanged tree fails its tests; fix that first")

    lines = []
    for f in faults:
        path = os.path.join(ROOT, f["file"])
        original = open(path, encoding="utf-8").read()
        find = f["find"]
        if original.count(find) != 1:
            lines.append(f"STALE    {f['id']}: the text occurs {original.count(find)} times in {f['file']}")
            print(lines[-1], flush=True)
            continue
        started = time.monotonic()
        try:
            with open(path, "w", encoding="utf-8") as out:
                out.write(original.replace(find, f["replace"]))
            if run(["cmake", "--build", args.build_dir, "-j", args.jobs]).returncode != 0:
                verdict = "NOBUILD "
                detail = "the fault does not compile"
            else:
                result = run(ctest)
                failed = [l.split(" - ", 1)[1].split(" (")[0] for l in result.stdout.splitlines() if " - " in l and
                          ("(Failed)" in l or "(Timeout)" in l or "(SEGFAULT)" in l or "(Subprocess aborted)" in l)]
                verdict = "caught  " if result.returncode != 0 else "MISSED  "
                detail = ", ".join(failed[:3]) if failed else f["why"]
        finally:
            with open(path, "w", encoding="utf-8") as out:
                out.write(original)
        lines.append(f"{verdict} {f['id']}: {detail} ({time.monotonic() - started:.0f} s)")
        print(lines[-1], flush=True)

    run(["cmake", "--build", args.build_dir, "-j", args.jobs])  # back to the unchanged tree
    os.makedirs(os.path.dirname(args.report), exist_ok=True)
    with open(args.report, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")
    caught = sum(l.startswith("caught") for l in lines)
    print(f"{caught} of {len(lines)} faults caught; report in {args.report}")
    return 0 if caught == len(lines) else 1


if __name__ == "__main__":
    sys.exit(main())
