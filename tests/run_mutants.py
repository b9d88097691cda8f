#!/usr/bin/env python3
"""Applies each fault of tests/mutants.txt in turn to a copy of the tree, builds the plug-in and the test
program, runs the tests as one process, and reports which faults no test caught.

Usage: tests/run_mutants.py [--list FILE] [--only SUBSTRING] [--keep-going]
The copy lives in build/mutants/tree (its own build folder, Dear ImGui's sources shared); the working
tree is never changed. Exit status 1 when fewer than 90 % of the faults are caught."""
import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "mutants")
TREE = os.path.join(WORK, "tree")
TARGETS = ["zando", "zando-sandbox", "zando_tests"]


def read_list(path):
    mutants = []
    with open(path, encoding="utf-8") as listing:
        for number, line in enumerate(listing, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            parts = [part.strip() for part in line.split("|||")]
            if len(parts) != 4:
                sys.exit(f"{path}:{number}: expected 'file ||| text ||| fault ||| what', got {len(parts)} parts")
            file, original, fault, what = parts
            mutants.append({"line": number, "file": file, "original": original.replace("\\n", "\n"),
                            "fault": fault.replace("\\n", "\n"), "what": what})
    return mutants


def copy_tree():
    """The tracked files of the working tree as they are now, into TREE."""
    files = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT,
                           check=True, capture_output=True).stdout.split(b"\0")
    for name in filter(None, (f.decode() for f in files)):
        source, target = os.path.join(ROOT, name), os.path.join(TREE, name)
        if not os.path.isfile(source):
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if not os.path.exists(target) or open(source, "rb").read() != open(target, "rb").read():
            shutil.copyfile(source, target)  # a new time, so the build sees the change
            shutil.copymode(source, target)
    imgui = os.path.join(TREE, "build", "imgui-src")
    if not os.path.exists(imgui):
        os.makedirs(os.path.dirname(imgui), exist_ok=True)
        os.symlink(os.path.join(ROOT, "build", "imgui-src"), imgui)


def build():
    result = subprocess.run(["cmake", "--build", "--preset", "default", "--target", *TARGETS], cwd=TREE,
                            capture_output=True, text=True)
    return result.returncode == 0, result.stdout[-3000:] + result.stderr[-3000:]


def run_tests():
    program = os.path.join(TREE, "build", "default", "tests", "zando_tests")
    result = subprocess.run([program, "--gtest_brief=1", "--gtest_fail_fast"], cwd=TREE, capture_output=True,
                            text=True, timeout=1800)
    failed = [line.split("]", 1)[1].strip() for line in result.stdout.splitlines() if line.startswith("[  FAILED  ]")]
    return result.returncode == 0, failed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", default=os.path.join(ROOT, "tests", "mutants.txt"))
    parser.add_argument("--only", default="", help="only the faults whose file or description holds this")
    args = parser.parse_args()
    mutants = [m for m in read_list(args.list) if args.only in m["file"] or args.only in m["what"]]
    for m in mutants:
        count = open(os.path.join(ROOT, m["file"]), encoding="utf-8").read().count(m["original"])
        if count != 1:
            sys.exit(f"mutants.txt:{m['line']}: the text occurs {count} times in {m['file']} (it must occur once)")

    os.makedirs(TREE, exist_ok=True)
    copy_tree()
    subprocess.run(["cmake", "--preset", "default"], cwd=TREE, check=True, capture_output=True)
    ok, log = build()
    if not ok:
        sys.exit("the unchanged tree does not build:\n" + log)
    passed, failed = run_tests()
    if not passed:
        sys.exit("the unchanged tree fails its tests: " + ", ".join(failed))

    survivors, caught = [], 0
    for m in mutants:
        path = os.path.join(TREE, m["file"])
        original = open(path, encoding="utf-8").read()
        started = time.time()
        try:
            with open(path, "w", encoding="utf-8") as mutated:
                mutated.write(original.replace(m["original"], m["fault"], 1))
            built, _ = build()
            if not built:
                verdict = "caught (does not build)"
                caught += 1
            else:
                passed, failed = run_tests()
                if passed:
                    verdict = "SURVIVED"
                    survivors.append(m)
                else:
                    verdict = "caught by " + ", ".join(failed[:3])
                    caught += 1
        finally:
            with open(path, "w", encoding="utf-8") as restored:
                restored.write(original)
            os.utime(path, None)
        print(f"{m['file']}:{m['line']} {m['what']}: {verdict} ({time.time() - started:.0f} s)", flush=True)

    build()  # leave the copy built as it stands
    total = len(mutants)
    print(f"\n{caught} of {total} faults caught ({100.0 * caught / max(total, 1):.0f} %)")
    for m in survivors:
        print(f"  survived: {m['file']} (mutants.txt:{m['line']}): {m['what']}")
    return 0 if total and caught * 10 >= total * 9 else 1


if __name__ == "__main__":
    sys.exit(main())
