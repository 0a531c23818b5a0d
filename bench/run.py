#!/usr/bin/env python3
"""What a run of CalcVendrali costs beyond its one-second pause, measured
beside what a user could write instead (a shell script, a Python script),
beside the same program linked dynamically, and beside two floors: the same
program linked statically without PIE, and a static program that only writes
the banner.

    python3 bench/run.py [--runs N] [--program build/release/CalcVendrali]

Needs the release build (cmake --workflow --preset release), g++, valgrind
and Python's standard library. All subjects run interleaved, round by round,
so that drift of the machine hits them alike. Prints Markdown tables.
"""

import argparse
import os
import platform
import re
import select
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
STREAM = (ROOT / "tests/fixtures/run.bin").read_bytes()
BANNER = STREAM[:38]  # the two banner lines and the empty line after them
PAUSE = 1.0
ENV = {"PATH": "/usr/bin:/bin"}  # the same for every subject and every run


@dataclass
class Subject:
    name: str
    command: list
    writes: bytes
    instructions: list = field(default_factory=list)
    resident_kib: list = field(default_factory=list)
    banner_ms: list = field(default_factory=list)
    last_byte_ms: list = field(default_factory=list)
    beyond_pause_ms: list = field(default_factory=list)


def build(folder, compiler, name, sources, link):
    """Compiles like the release build, linked as asked."""
    program = folder / name
    subprocess.run([compiler, "-std=c++17", "-O3", "-DNDEBUG", *link, *map(str, sources), "-o",
                    str(program)], check=True)
    return str(program)


def output_to_pipe(command):
    return subprocess.run(command, env=ENV, stdin=subprocess.DEVNULL, capture_output=True,
                          check=True).stdout


def on_terminal(command, writes):
    """Runs a command on a fresh pseudo-terminal; returns the seconds from the
    spawn to the banner's last byte, to the last byte, and to the exit."""
    on_screen = writes.replace(b"\n", b"\r\n")
    banner_length = len(BANNER.replace(b"\n", b"\r\n"))
    controller, terminal = os.openpty()
    actions = [(os.POSIX_SPAWN_DUP2, terminal, 0), (os.POSIX_SPAWN_DUP2, terminal, 1),
               (os.POSIX_SPAWN_DUP2, terminal, 2), (os.POSIX_SPAWN_CLOSE, controller)]
    start = time.perf_counter()
    pid = os.posix_spawn(command[0], command, ENV, file_actions=actions)
    os.close(terminal)
    received = bytearray()
    banner_at = None
    while len(received) < len(on_screen):
        if not select.select([controller], [], [], 30)[0]:
            sys.exit(f"{command}: no output for 30 s")
        received += os.read(controller, 65536)
        now = time.perf_counter()
        if banner_at is None and len(received) >= banner_length:
            banner_at = now
    _, status = os.waitpid(pid, 0)
    exited_at = time.perf_counter()
    os.close(controller)
    if bytes(received) != on_screen or status != 0:
        sys.exit(f"{command}: the terminal received other bytes, or status {status}")
    return banner_at - start, now - start, exited_at - start


def measure_on_terminal(subject, folder):
    banner, last, exited = on_terminal(subject.command, subject.writes)
    subject.banner_ms.append(banner * 1000)
    subject.last_byte_ms.append(last * 1000)
    subject.beyond_pause_ms.append((exited - PAUSE) * 1000)
    # A run of its own for the memory: GNU time forks a small process, where
    # a spawn from Python would count the interpreter's pages.
    report = folder / "time"
    on_terminal(["/usr/bin/time", "--format=%M", f"--output={report}", *subject.command],
                subject.writes)
    subject.resident_kib.append(int(report.read_text()))


def callgrind(command, folder):
    """Runs a command under callgrind, children included; returns the output
    files."""
    for old in folder.glob("callgrind.*"):
        old.unlink()
    subprocess.run(["valgrind", "--tool=callgrind", "--trace-children=yes",
                    f"--callgrind-out-file={folder}/callgrind.%p", *command],
                   env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True)
    return sorted(folder.glob("callgrind.*"))


def total_instructions(files):
    total = 0
    for path in files:
        found = re.search(r"^(?:summary|totals): (\d+)", path.read_text(), re.MULTILINE)
        total += int(found.group(1))
    return total


def inclusive_costs(path):
    """Inclusive instruction count of every function in one profile, keyed by
    its plain name."""
    report = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100",
                             str(path)], capture_output=True, text=True, check=True).stdout
    costs = {}
    for count, function in re.findall(r"^\s*([\d,]+) \([^)]*\)\s+\S*?:(\S[^:]*?) \[", report,
                                      re.MULTILINE):
        name = re.sub(r"@@?\S+$", "", function)  # symbol versions; recursion marks stay
        costs[name] = max(costs.get(name, 0), int(count.replace(",", "")))
    return costs


def profile(path):
    """Where the instructions of one run of the program go."""
    costs = inclusive_costs(path)
    total = total_instructions([path])
    start = costs["(below main)"]  # the program's entry: C library start-up, main, exit
    relocation = costs.get("_dl_relocate_static_pie", 0)
    main = costs["main"]
    locale = costs.get("setlocale", 0)
    output = sum(costs.get(name, 0) for name in ("puts", "_IO_puts", "printf", "fflush"))
    pause = costs.get("clock_nanosleep", 0) + costs.get("nanosleep", 0)
    return {
        "dynamic loader (mapping, relocation, library constructors)": total - start,
        "a static PIE relocating itself": relocation,
        "C library start-up and exit (around main)": start - relocation - main,
        "locale requests (two setlocale calls)": locale,
        "output calls (puts, printf, final flush)": output,
        "the pause (sleep_for)": pause,
        "main itself, with the lazy binding of its library calls": main - locale - output - pause,
        "total": total,
    }


def figures(values, digits=2):
    if len(set(values)) == 1:
        return f"{values[0]:,.{digits}f}" if digits else f"{values[0]:,}"
    form = f",.{digits}f" if digits else ","
    return (f"{statistics.median(values):{form}} "
            f"({min(values):{form}} – {max(values):{form}})")


def machine():
    with open("/proc/cpuinfo") as cpus:
        model = next((line.split(":", 1)[1].strip() for line in cpus
                      if line.startswith("model name")), platform.machine())
    return (f"{model}, {os.cpu_count()} cores, Linux {platform.release()}, "
            f"glibc {platform.libc_ver()[1]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--program", default=str(ROOT / "build/release/CalcVendrali"))
    parser.add_argument("--compiler", default="g++")
    options = parser.parse_args()
    if options.runs < 5:
        parser.error("medians need at least 5 runs")

    with tempfile.TemporaryDirectory(prefix="calcvendrali-bench-") as work:
        work = Path(work)
        sources = sorted((ROOT / "src").glob("*.cpp"))
        dynamic = build(work, options.compiler, "dynamic", sources, [])
        static = build(work, options.compiler, "static", sources, ["-static"])
        banner = build(work, options.compiler, "banner", [ROOT / "bench/banner.cpp"], ["-static"])
        subjects = [
            Subject("CalcVendrali (release build: static PIE)", [options.program], STREAM),
            Subject("same program, linked dynamically", [dynamic], STREAM),
            Subject("floor: same program, static, not PIE", [static], STREAM),
            Subject("shell script (sh, printf, sleep)", ["/bin/sh", str(ROOT / "bench/screens.sh")],
                    STREAM),
            Subject("Python script", ["/usr/bin/python3", str(ROOT / "bench/screens.py")], STREAM),
            Subject("floor: static, banner only", [banner], BANNER),
        ]

        for subject in subjects:
            if output_to_pipe(subject.command) != subject.writes:
                sys.exit(f"{subject.name} writes other bytes than the program: no figures.")

        profiles = {}
        for round_number in range(options.runs):
            print(f"round {round_number + 1} of {options.runs}", file=sys.stderr)
            for subject in subjects:
                measure_on_terminal(subject, work)
                files = callgrind(subject.command, work)
                subject.instructions.append(total_instructions(files))
                if subject in subjects[:3] and subject.name not in profiles:
                    profiles[subject.name] = profile(files[0])

    report(subjects, profiles, options.runs)


def report(subjects, profiles, runs):
    program, dynamic, static, shell, python, floor = subjects
    print(f"Machine: {machine()}. {runs} runs of each, interleaved; "
          "median (min – max); times in ms from the spawn.\n")
    print("| subject | instructions per run | peak resident KiB | banner on terminal | "
          "last byte | wall time beyond the pause |")
    print("|---|---:|---:|---:|---:|---:|")
    for subject in subjects:
        whole_run = subject.writes == STREAM
        print(f"| {subject.name} | {figures(subject.instructions, 0)} | "
              f"{figures(subject.resident_kib, 0)} | {figures(subject.banner_ms)} | "
              f"{figures(subject.last_byte_ms) if whole_run else 'n/a'} | "
              f"{figures(subject.beyond_pause_ms) if whole_run else 'n/a'} |")

    print("\nWhere the instructions of one run go (callgrind, inclusive counts):\n")
    print("| part | " + " | ".join(profiles) + " |")
    print("|---|" + "---:|" * len(profiles))
    for part in next(iter(profiles.values())):
        print(f"| {part} | " + " | ".join(f"{p[part]:,}" for p in profiles.values()) + " |")

    median = statistics.median
    share = median(program.instructions) / median(shell.instructions)
    banner_gap = median(program.banner_ms) - median(floor.banner_ms)
    after_pause = median(program.last_byte_ms) - PAUSE * 1000
    resident = max(program.resident_kib)
    print("\nGoals:\n")
    print(f"- instructions: {share:.1%} of the shell script's (goal at most 40%): "
          f"{'met' if share <= 0.40 else 'MISSED'}")
    print(f"- peak resident memory: {resident:,} KiB at most (goal at most 2048 KiB): "
          f"{'met' if resident <= 2048 else 'MISSED'}")
    print(f"- banner: {banner_gap:+.3f} ms after the static banner-only floor, medians "
          f"(goal at most 1 ms): {'met' if banner_gap <= 1 else 'MISSED'}")
    print(f"- last byte: {after_pause:.3f} ms after the pause, median (goal at most 5 ms): "
          f"{'met' if after_pause <= 5 else 'MISSED'}; exit "
          f"{median(program.beyond_pause_ms) - after_pause:.3f} ms after the last byte")


if __name__ == "__main__":
    main()
