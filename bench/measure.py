#!/usr/bin/env python3
"""Times the export listers on each file and prints the comparison table.

Called by bench/run.sh, which builds kestrivo-dump and makes the files. Each
tool runs through hyperfine (one warm-up, then --runs timed runs, output to
/dev/null); peak memory is the maximum resident size from /usr/bin/time over
one more run.
"""
import argparse
import json
import os
import subprocess
import sys

# What the issue asks of kestrivo-dump.
LARGE_REAL = "libstdc++-6.dll"
SYNTHETIC_PREFIX = "synthetic-"
MAX_RATIO_WITH_ARGS = 3.0
MAX_SYNTHETIC_SECONDS = 1.5
MAX_SYNTHETIC_MIB = 200


def tools(dump, readobj):
    listed = [
        ("kestrivo-dump", [dump]),
        ("kestrivo-dump --no-args", [dump, "--no-args"]),
        ("objdump -p", ["i686-w64-mingw32-objdump", "-p"]),
    ]
    if readobj:
        listed.append(("llvm-readobj --coff-exports", [readobj, "--coff-exports"]))
    return listed


def time_commands(commands, runs, json_path):
    """Median, user+system and run count of each command, by hyperfine."""
    args = ["hyperfine", "-N", "--style", "basic", "--warmup", "1", "--runs", str(runs),
            "--output", "null", "--export-json", json_path]
    args += [" ".join(quote(part) for part in command) for command in commands]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    with open(json_path) as f:
        results = json.load(f)["results"]
    return [(r["median"], r["user"] + r["system"], len(r["times"])) for r in results]


def quote(part):
    return "'" + part.replace("'", "'\\''") + "'" if any(c in part for c in " '\"\\") else part


def peak_mib(command):
    """Maximum resident set size of one run, in MiB."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    return int(result.stderr.strip().splitlines()[-1]) / 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dump", required=True)
    parser.add_argument("--readobj", default="")
    parser.add_argument("--work", required=True)
    parser.add_argument("files", nargs="+")
    options = parser.parse_args()

    listed = tools(options.dump, options.readobj)
    rows = []  # (file, tool, median, cpu, runs, ratio, mib, cpu ratio)
    load_before = os.getloadavg()[0]
    for path in options.files:
        name = os.path.basename(path)
        print(f"==> timing {name} ({os.path.getsize(path) / 2**20:.1f} MiB)", flush=True)
        commands = [command + [path] for _, command in listed]
        timings = time_commands(commands, options.runs, os.path.join(options.work, name + ".json"))
        objdump_median, objdump_cpu = timings[2][0], timings[2][1]
        for (tool, _), command, (median, cpu, runs) in zip(listed, commands, timings):
            rows.append((name, tool, median, cpu, runs, median / objdump_median, peak_mib(command), cpu / objdump_cpu))

    print(f"\nMedians of {options.runs} runs each (output to /dev/null); {os.cpu_count()} CPUs, load average "
          f"{load_before:.1f} before, {os.getloadavg()[0]:.1f} after. 'cpu s' is mean user+system time, which other "
          f"load on the machine inflates less than the wall-clock median.")
    header = ("file", "tool", "median s", "x objdump", "cpu s", "cpu x objdump", "peak MiB")
    lines = [header] + [(f, t, f"{m:.3f}", f"{r:.2f}", f"{c:.3f}", f"{cr:.2f}", f"{mib:.1f}")
                        for f, t, m, c, _, r, mib, cr in rows]
    widths = [max(len(line[i]) for line in lines) for i in range(len(header))]
    for k, line in enumerate(lines):
        print("  ".join(cell.ljust(widths[i]) if i < 2 else cell.rjust(widths[i]) for i, cell in enumerate(line)))
        if k == 0:
            print("  ".join("-" * w for w in widths))

    def row(file_test, tool):
        return next(r for r in rows if file_test(r[0]) and r[1] == tool)

    verdicts = []
    with_args = row(lambda f: f == LARGE_REAL, "kestrivo-dump")
    no_args = row(lambda f: f == LARGE_REAL, "kestrivo-dump --no-args")
    synthetic = row(lambda f: f.startswith(SYNTHETIC_PREFIX), "kestrivo-dump")
    verdicts.append((with_args[5] <= MAX_RATIO_WITH_ARGS,
                     f"{LARGE_REAL} with estimates: {with_args[5]:.2f}x objdump -p (goal <= {MAX_RATIO_WITH_ARGS}x; "
                     f"cpu {with_args[7]:.2f}x)"))
    verdicts.append((no_args[5] <= 1.0,
                     f"{LARGE_REAL} --no-args: {no_args[5]:.2f}x objdump -p (goal <= 1x; cpu {no_args[7]:.2f}x)"))
    verdicts.append((synthetic[2] < MAX_SYNTHETIC_SECONDS,
                     f"{synthetic[0]} with estimates: {synthetic[2]:.3f} s (goal < {MAX_SYNTHETIC_SECONDS} s)"))
    verdicts.append((synthetic[6] < MAX_SYNTHETIC_MIB,
                     f"{synthetic[0]} with estimates: {synthetic[6]:.1f} MiB peak (goal < {MAX_SYNTHETIC_MIB} MiB)"))
    print()
    for ok, text in verdicts:
        print(("PASS  " if ok else "FAIL  ") + text)
    return 0 if all(ok for ok, _ in verdicts) else 1


if __name__ == "__main__":
    sys.exit(main())
