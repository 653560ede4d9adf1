#!/usr/bin/env python3
"""Applies deliberate faults one at a time, rebuilds, runs the test suite and records which tests fail.

Each line of the fault list (tests/faults/faults.tsv) is: file, text, replacement, what the fault breaks,
separated by tabs; "\\n" in text and replacement stands for a line break. The text must occur exactly once
in the file; when the file has moved, the one library source that holds the text is used instead. After
each fault the file is put back and the work tree must show no change.

    scripts/fault-campaign.py [--faults FILE] [--out RESULTS.tsv] [--only N,M,...] [--first]

Runs in the current checkout with the default preset (configure it first). With --hints each fault first
builds and runs only the tests named in its fifth field; whatever they do not catch goes through the suite. A fault whose build fails is
reported as such, never as caught. The results list, per fault, the failing tests (ctest names); with
--first the suite stops at the first failure, which shows that a fault is caught in a fraction of the time.
"""
import argparse
import os
import re
import subprocess
import sys
import time

SOURCE_DIRS = ["core", "image", "selection", "document", "geometry", "win", "platform", "tools", "include"]


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace", **kw)


def load_faults(path):
    faults = []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        f, old, new, what, *hint = line.split("\t")
        faults.append((f, old.replace("\\n", "\n"), new.replace("\\n", "\n"), what, hint[0] if hint else ""))
    return faults


def locate(path, old):
    """The file that holds `old` exactly once: `path` if it does, else the one library source that does."""
    if os.path.exists(path) and open(path, encoding="utf-8").read().count(old) == 1:
        return path
    first = old.split("\n")[0]
    found = run(["git", "grep", "-l", "-F", "-e", first, "--"] + SOURCE_DIRS).stdout.split()
    found = [f for f in found if open(f, encoding="utf-8").read().count(old) == 1]
    return found[0] if len(found) == 1 else None


def failed_tests(output):
    names, in_list = [], False
    for line in output.splitlines():
        if "The following tests FAILED" in line:
            in_list = True
            continue
        if in_list:
            m = re.match(r"\s*\d+ - (\S+) \((.+)\)", line)
            if m:
                names.append(m.group(1))
            elif line.strip() and not line.startswith(" "):
                break
    return names


def quick_check(hint):
    """Builds only the hinted test programs and runs their hinted tests, each program directly (a program
    not rebuilt may hold an earlier fault, so no other program is run); the failures, or None."""
    targets, pattern = hint.split(" ", 1)
    b = run(["cmake", "--build", "--preset", "default", "-j2", "--target"] + targets.split(","))
    if b.returncode != 0:
        return None
    gtest_filter = ":".join(f"*{p}*" for p in pattern.split("|"))
    env = dict(os.environ, OXWUTL_SOURCE_DIR=os.getcwd())
    failed = []
    for t in targets.split(","):
        r = run([os.path.join("build/default/tests", t), f"--gtest_filter={gtest_filter}"], env=env)
        failed += re.findall(r"^\[  FAILED  \] ([A-Za-z_][\w/.]*)", r.stdout, re.M)
    return sorted(set(failed)) or None


def build_and_test(first=False):
    b = run(["cmake", "--build", "--preset", "default", "-j2"])
    if b.returncode != 0:
        return None, b.stdout[-3000:]
    t = run(["ctest", "--preset", "default", "-j2", "--timeout", "120"] + (["--stop-on-failure"] if first else []))
    return failed_tests(t.stdout), ""


def tree_clean():
    return run(["git", "diff", "--quiet"]).returncode == 0 and run(["git", "diff", "--cached", "--quiet"]).returncode == 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--faults", default="tests/faults/faults.tsv")
    ap.add_argument("--out", default="build/fault-results.tsv")
    ap.add_argument("--only", default="", help="comma-separated fault numbers (1-based), run in that order")
    ap.add_argument("--first", action="store_true", help="stop each run at the first failing test")
    ap.add_argument("--hints", action="store_true",
                    help="try each fault's hinted tests first (its fifth field: targets and a test-name pattern); "
                         "a fault they catch is caught, otherwise the whole suite runs")
    a = ap.parse_args()
    if not tree_clean():
        sys.exit("the work tree has changes: commit or stash them first")
    faults = load_faults(a.faults)
    only = [int(n) for n in a.only.split(",") if n]

    baseline, log = build_and_test()
    if baseline is None:
        sys.exit("the unchanged tree does not build:\n" + log)
    if baseline:
        print("failing without any fault (not counted as catches):", " ".join(baseline), flush=True)

    with open(a.out, "w", encoding="utf-8") as out:
        out.write("n\tfile\tfault\tresult\tfailing tests\n")
        for n in only or range(1, len(faults) + 1):  # in the order given
            path, old, new, what, hint = faults[n - 1]
            start = time.time()
            f = locate(path, old)
            if f is None:
                result, tests = "NOT APPLIED (text not found once)", []
            else:
                original = open(f, encoding="utf-8").read()
                with open(f, "w", encoding="utf-8") as w:
                    w.write(original.replace(old, new, 1))
                try:
                    tests = quick_check(hint) if a.hints and hint else None
                    log = ""
                    if tests is None:
                        tests, log = build_and_test(a.first)
                finally:
                    with open(f, "w", encoding="utf-8") as w:
                        w.write(original)
                if not tree_clean():
                    sys.exit("the tree is not clean after restoring " + f)
                if tests is None:
                    result, tests = "BUILD FAILED", []
                    print(log, file=sys.stderr)
                else:
                    tests = [t for t in tests if t not in baseline]
                    result = "caught" if tests else "ESCAPED"
            out.write(f"{n}\t{f or path}\t{what}\t{result}\t{' '.join(tests)}\n")
            out.flush()
            print(f"{n:3} {result:8} {len(tests):4} tests  {time.time() - start:5.0f} s  {f or path}: {what}", flush=True)
    # Leave the build matching the restored sources.
    run(["cmake", "--build", "--preset", "default", "-j2"])


if __name__ == "__main__":
    main()
