#!/usr/bin/python3
"""Sorts the failing inputs of fuzz runs into distinct faults.

    triage.py --fuzzer PATH FILE_OR_FOLDER... [--markdown]

Each input is run once through the fuzzer; its failure is known by the sanitizer's summary line
and the first frames of the stack inside the libraries and the program, so that inputs that
fail at the same place count once. Prints one block a fault: its signature, how many inputs
show it, the smallest of them and its stack.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import argparse
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

import run_fuzzer

# Frames of the fuzzing machinery, which every stack shares.
MACHINERY = re.compile(r"fuzzer::|LLVMFuzzerTestOneInput|__libc_start|_start\b|^main\b|"
                       r"__sanitizer|__asan|__ubsan|__interceptor|\babort\b|raise\b|"
                       r"__pthread_kill|__stack_chk_fail|__fortify_fail|__libc_message|"
                       r"^(malloc|calloc|realloc|operator new)")


def frames(report):
    """The stack frames of the first report, as 'function (module+offset)' where known."""
    found = []
    for line in report.splitlines():
        match = re.match(r"\s+#(\d+) 0x[0-9a-f]+\s+(?:in (.*?) )?((?:/|\(|<).*)$", line)
        if not match:
            if found:
                break
            continue
        function, where = match.group(2) or "", match.group(3)
        module = re.search(r"\(([^()]*?)(\+0x[0-9a-f]+)?\)", where)
        place = os.path.basename(module.group(1)) + (module.group(2) or "") if module else where
        found.append((function, place))
    return found


def signature(report):
    """The kind of failure and the place where it happened: the first frame of the fast
    unwinder's stack outside the fuzzing machinery, whose program counter is exact."""
    summary = re.search(r"SUMMARY: \w+Sanitizer: (\S+)|ERROR: libFuzzer: ([\w-]+)", report)
    kind = (summary.group(1) or summary.group(2)) if summary else "no report"
    for marker, name in (("stack smashing", "stack-smashing"), ("stack-overflow", "stack-overflow"),
                         ("byte(s) leaked", "leak")):
        if marker in report:
            kind = name
    top = [f for f in frames(report) if not MACHINERY.search(f[0] + " " + f[1])]
    if not top:
        return kind
    function, place = top[0]
    return "%s at %s" % (kind, "%s (%s)" % (function, place) if function else place)


def run(fuzzer, path, fast_unwind):
    with tempfile.TemporaryDirectory() as scratch:
        env = run_fuzzer.sanitizer_env(None)
        env["ASAN_OPTIONS"] += ":fast_unwind_on_fatal=%d" % fast_unwind
        env["TMPDIR"] = scratch
        result = subprocess.run([str(fuzzer), "-malloc_limit_mb=%d" % run_fuzzer.MALLOC_LIMIT_MB,
                                 "-rss_limit_mb=%d" % run_fuzzer.RSS_LIMIT_MB,
                                 "-timeout=%d" % run_fuzzer.TIMEOUT_S, str(path)],
                                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                text=True, errors="replace", timeout=120)
    return result.returncode, result.stderr


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fuzzer", required=True, type=Path)
    parser.add_argument("inputs", nargs="+", type=Path)
    args = parser.parse_args()
    paths = []
    for given in (path.resolve() for path in args.inputs):
        paths += sorted(p for p in given.iterdir() if p.is_file() and not p.name.endswith(".log")) \
            if given.is_dir() else [given]
    faults = {}
    passed = []
    for path in paths:
        status, report = run(args.fuzzer, path, 1)
        if status == 0:
            passed.append(path)
            continue
        key = signature(report)
        entry = faults.setdefault(key, {"inputs": []})
        entry["inputs"].append(path)
        entry["inputs"].sort(key=lambda p: p.stat().st_size)
    for entry in faults.values():
        # The full unwinder shows the whole stack through the libraries, which have no frame
        # pointers, but crashes on a corrupt stack: the fast unwinder's report is the fallback.
        status, report = run(args.fuzzer, entry["inputs"][0], 0)
        if status < 0 or "SUMMARY" not in report and "ERROR: libFuzzer" not in report:
            status, report = run(args.fuzzer, entry["inputs"][0], 1)
        entry["report"] = report
    for key, entry in sorted(faults.items()):
        smallest = entry["inputs"][0]
        print("== %s\n   %d inputs; smallest: %s (%d bytes)" % (
            key, len(entry["inputs"]), smallest, smallest.stat().st_size))
        stack = [f for f in frames(entry["report"]) if not MACHINERY.search(f[0] + " " + f[1])]
        for function, place in stack[:12]:
            print("     %s %s" % (function, place))
    print("%d distinct faults in %d failing inputs; %d inputs pass" % (
        len(faults), sum(len(e["inputs"]) for e in faults.values()), len(passed)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
