#!/usr/bin/python3
"""Runs one libFuzzer target for a fixed time from a fresh copy of its corpus, and reports.

    run_fuzzer.py --fuzzer PATH --corpus DIR --dict FILE --seconds N --work DIR --artifacts DIR
                  [--max-len BYTES] [--lsan-suppressions FILE] [--keep-going] [--report FILE]
                  [--keep-corpus DIR]

The corpus is copied into WORK, which also holds the target's run directory (TMPDIR); WORK is
emptied first and removed afterwards. What makes an input fail (a crash, a sanitizer report, a
leak, an allocation above the malloc limit, a time-out) is kept in ARTIFACTS, named by libFuzzer
after the kind of failure. Without --keep-going the run stops at the first failure and the
status is non-zero; with it, libFuzzer is started again on the grown corpus after each failure
until the time is used, and the failures are counted. (libFuzzer's own fork mode does the same,
but here it spent minutes on the corpus before its first execution.) --report appends one line
of results (a Markdown table row) to FILE.

What catches faults that the sanitizers cannot see: the libraries that read the data files are
not instrumented, so AddressSanitizer does not see their reads and writes out of bounds as they
happen. What catches them here:
- a wild write that reaches another allocation's header is reported by ASan's allocator when
  that block is freed, and one into the mixer's buffer by the guard bytes of fuzz_support.cpp;
- a write that corrupts a function pointer or a return address ends in a SIGSEGV or a stack
  protector abort (Debian builds the libraries with -fstack-protector-strong), which libFuzzer
  reports as a crash; fast_unwind_on_fatal keeps ASan's report from crashing in its own unwinder
  on such a corrupt stack, so the input is saved;
- -malloc_limit_mb catches an allocation sized from an unchecked header field, -rss_limit_mb
  memory that grows, and -timeout an input that hangs or takes superlinear time;
- the replays of the corpus and the regressions under valgrind (fuzz.valgrind.*) see the
  libraries' own reads and writes out of bounds.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

# The limits of every run, which any file that costs the program more than a file may must meet:
# - one input may take 2 s: the slowest of the corpus takes under 30 ms under the sanitizers, and
#   a run must end within 3 s of Q whatever its files;
# - no allocation may pass 24 MB: the largest the program makes for a file that passes is the
#   music read whole, at most 16 MiB, while a bitmap that widens to a surface of 64 MiB, or a
#   font table that FreeType reads whole at 256 MiB, goes far past it;
# - the process may hold 512 MB: under AddressSanitizer, with its quarantine cut to 64 MB, the
#   targets settle near 150 MB, and memory that grows from input to input, as a music that loses
#   a buffer at every change of stream makes it, passes the limit within minutes. LeakSanitizer
#   reports the lost buffers of each such input besides.
TIMEOUT_S = 2
MALLOC_LIMIT_MB = 24
RSS_LIMIT_MB = 512
QUARANTINE_MB = 64


def sanitizer_env(lsan_suppressions):
    env = dict(os.environ)
    # ASan refuses an allocation above the limit before it makes it: one of gigabytes, sized from
    # a header field, would otherwise take seconds to map and poison before libFuzzer's own limit
    # reports it.
    env["ASAN_OPTIONS"] = ":".join([
        "fast_unwind_on_fatal=1", "detect_leaks=1", "allocator_may_return_null=0",
        "max_allocation_size_mb=%d" % MALLOC_LIMIT_MB, "quarantine_size_mb=%d" % QUARANTINE_MB,
        env.get("ASAN_OPTIONS", "")])
    env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1"
    if lsan_suppressions:
        env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % lsan_suppressions
    return env


def stat(log, name):
    """The last figure that libFuzzer printed for `name` (stat::name in its final statistics)."""
    found = re.findall(r"stat::%s:\s*(\d+)" % name, log)
    return int(found[-1]) if found else None


def failure_kinds(paths):
    """'2 crash, 1 leak': the failing inputs counted by the kind that libFuzzer named them by."""
    kinds = {}
    for path in paths:
        kind = path.name.split("-")[0]
        kinds[kind] = kinds.get(kind, 0) + 1
    return ", ".join("%d %s" % (count, kind) for kind, count in sorted(kinds.items()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fuzzer", required=True, type=Path)
    parser.add_argument("--corpus", required=True, type=Path)
    parser.add_argument("--dict", required=True, type=Path)
    parser.add_argument("--seconds", required=True, type=int)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--artifacts", required=True, type=Path)
    parser.add_argument("--max-len", type=int, default=65536)
    parser.add_argument("--lsan-suppressions", type=Path)
    parser.add_argument("--keep-going", action="store_true")
    parser.add_argument("--report", type=Path)
    parser.add_argument("--keep-corpus", type=Path)
    args = parser.parse_args()
    # Absolute paths: the target moves into its run directory, after which libFuzzer still reads
    # and writes the corpus and the artifacts by these paths.
    for name in ("fuzzer", "corpus", "dict", "work", "artifacts", "lsan_suppressions", "report",
                 "keep_corpus"):
        if getattr(args, name) is not None:
            setattr(args, name, getattr(args, name).resolve())

    shutil.rmtree(args.work, ignore_errors=True)
    corpus = args.work / "corpus"
    run_dirs = args.work / "tmp"
    shutil.copytree(args.corpus, corpus)
    run_dirs.mkdir()
    args.artifacts.mkdir(parents=True, exist_ok=True)
    before = set(args.artifacts.iterdir())

    env = sanitizer_env(args.lsan_suppressions)
    env["TMPDIR"] = str(run_dirs)
    started = time.monotonic()
    runs = 0
    while True:
        left = args.seconds - int(time.monotonic() - started)
        command = [str(args.fuzzer), "-max_total_time=%d" % max(left, 1),
                   "-dict=%s" % args.dict, "-max_len=%d" % args.max_len,
                   "-timeout=%d" % TIMEOUT_S, "-malloc_limit_mb=%d" % MALLOC_LIMIT_MB,
                   "-rss_limit_mb=%d" % RSS_LIMIT_MB, "-use_value_profile=1",
                   "-print_final_stats=1", "-artifact_prefix=%s/" % args.artifacts, str(corpus)]
        print(" ".join(command), flush=True)
        result = subprocess.run(command, env=env, stderr=subprocess.PIPE, text=True,
                                errors="replace")
        log = result.stderr
        runs += stat(log, "number_of_executed_units") or 0
        (args.artifacts / "last-run.log").write_text(log)
        if result.returncode == 0 or not args.keep_going:
            break
        if time.monotonic() - started >= args.seconds - 1:
            break
    elapsed = time.monotonic() - started

    new = sorted(set(args.artifacts.iterdir()) - before - {args.artifacts / "last-run.log"})
    corpus_size = len(list(corpus.iterdir()))
    name = args.fuzzer.name
    print("%s: %d executions in %.0f s, corpus %d inputs, %d failing inputs saved%s" % (
        name, runs, elapsed, corpus_size, len(new), "".join("\n  " + str(p) for p in new)))
    if result.returncode != 0 or new:
        # The sanitizer's report of the last failure, without libFuzzer's progress lines.
        report = [line for line in log.splitlines()
                  if not re.match(r"#\d+\s+(NEW|REDUCE|pulse|INITED)|INFO:|\s*$", line)]
        print("\n".join(report[-80:]))
    if args.report:
        with args.report.open("a") as out:
            out.write("| %s | %d s | %d | %d | %d | %s |\n" % (
                name, round(elapsed), runs, corpus_size, len(new), failure_kinds(new) or "none"))
    if args.keep_corpus:
        shutil.rmtree(args.keep_corpus, ignore_errors=True)
        shutil.copytree(corpus, args.keep_corpus)
    shutil.rmtree(args.work, ignore_errors=True)
    return 0 if result.returncode == 0 and not new else 1


if __name__ == "__main__":
    sys.exit(main())
