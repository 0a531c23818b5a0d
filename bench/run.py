#!/usr/bin/env python3
"""What a run of CalcVendrali costs beyond its one-second pause, for both
shipped Linux builds (release: linked dynamically; portable: a static PIE),
measured beside what a user could write instead (a shell script, a Python
script) and beside floors of the same linking: a bare program that makes the
one locale request a run must make, and a program that only writes the banner.

    python3 bench/run.py [--runs N] [--build-root build]

Every subject is measured in two states of the machine, which the script
makes itself in a mount namespace of its own, so that the machine's own
locales change nothing: over the C library's locale folder (/usr/lib/locale)
it mounts
  - for "no locale named Portuguese": an empty folder;
  - for "Portuguese installed": a folder whose locale archive, built with
    localedef as locale-gen builds it, holds the locale that the C library's
    alias table maps "Portuguese" to (pt_PT.ISO-8859-1).
Both states keep the machine's alias table (/usr/share/locale/locale.alias,
from Debian's "locales" package), which every request of "Portuguese" reads.
The script also counts the two builds once in both states made with LOCPATH
instead (an empty folder; a folder holding the locale as separate files), the
other way to hide the machine's locales, to show what that costs.
Needs both builds (cmake --workflow --preset release, and portable), g++,
valgrind, GNU time, localedef, unshare and mount (root, or user namespaces)
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
LOCALE_FOLDER = "/usr/lib/locale"
# In the C locale mount and umount themselves open no locale archive in the
# folder they change.
PLAIN = dict(ENV, LC_ALL="C")
NO_PORTUGUESE = "no Portuguese locale"
PORTUGUESE = "Portuguese installed"


@dataclass
class Subject:
    name: str
    command: list
    writes: bytes
    instructions: dict = field(default_factory=dict)  # by state, as below
    resident_kib: dict = field(default_factory=dict)
    banner_ms: dict = field(default_factory=dict)
    last_byte_ms: dict = field(default_factory=dict)
    beyond_pause_ms: dict = field(default_factory=dict)

    def record(self, figure, state, value):
        getattr(self, figure).setdefault(state, []).append(value)


def cache_value(build_dir, name):
    found = re.search(rf"^{name}:\w+=(.*)$", (build_dir / "CMakeCache.txt").read_text(),
                      re.MULTILINE)
    return found.group(1).split() if found else []


def build_like(build_dir, folder, name, source, compiler):
    """Compiles a floor with the flags of a shipped build and its linking."""
    flags = (cache_value(build_dir, "CMAKE_CXX_FLAGS") +
             cache_value(build_dir, "CMAKE_CXX_FLAGS_RELEASE") +
             cache_value(build_dir, "CMAKE_EXE_LINKER_FLAGS"))
    static = cache_value(build_dir, "PORTABLE") == ["ON"]
    link = ["-static-pie"] if static else ["-pie"]
    program = folder / name
    subprocess.run([compiler, "-std=c++17", "-fPIE", *flags, *link, str(source), "-o",
                    str(program)], check=True)
    return str(program)


def enter_a_mount_namespace():
    """Runs this script again in a mount namespace of its own, where mounts
    over the locale folder are seen by this script and its children only."""
    if os.environ.get("CALCVENDRALI_BENCH_NAMESPACE"):
        return
    unshare = ["unshare", "--mount", "--propagation", "private"]
    if os.geteuid() != 0:
        unshare.append("--map-root-user")
    os.execvpe(unshare[0], [*unshare, sys.executable, *sys.argv],
               dict(os.environ, CALCVENDRALI_BENCH_NAMESPACE="1"))


def output_to_pipe(command, env):
    return subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                          check=True).stdout


def on_terminal(command, writes, env):
    """Runs a command on a fresh pseudo-terminal; returns the seconds from the
    spawn to the banner's last byte, to the last byte, and to the exit."""
    on_screen = writes.replace(b"\n", b"\r\n")
    banner_length = len(BANNER.replace(b"\n", b"\r\n"))
    controller, terminal = os.openpty()
    actions = [(os.POSIX_SPAWN_DUP2, terminal, 0), (os.POSIX_SPAWN_DUP2, terminal, 1),
               (os.POSIX_SPAWN_DUP2, terminal, 2), (os.POSIX_SPAWN_CLOSE, controller)]
    start = time.perf_counter()
    pid = os.posix_spawn(command[0], command, env, file_actions=actions)
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


def measure_on_terminal(subject, state, env, folder):
    banner, last, exited = on_terminal(subject.command, subject.writes, env)
    subject.record("banner_ms", state, banner * 1000)
    subject.record("last_byte_ms", state, last * 1000)
    subject.record("beyond_pause_ms", state, (exited - PAUSE) * 1000)
    # A run of its own for the memory: GNU time forks a small process, where
    # a spawn from Python would count the interpreter's pages.
    report = folder / "time"
    on_terminal(["/usr/bin/time", "--format=%M", f"--output={report}", *subject.command],
                subject.writes, env)
    subject.record("resident_kib", state, int(report.read_text()))


def callgrind(command, env, folder):
    """Runs a command under callgrind, children included; returns the output
    files."""
    for old in folder.glob("callgrind.*"):
        old.unlink()
    subprocess.run(["valgrind", "--tool=callgrind", "--trace-children=yes",
                    f"--callgrind-out-file={folder}/callgrind.%p", *command],
                   env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
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
    output = sum(costs.get(name, 0) for name in ("puts", "_IO_puts", "printf", "__printf_chk",
                                                 "fflush"))
    pause = costs.get("clock_nanosleep", 0) + costs.get("nanosleep", 0)
    return {
        "dynamic loader (mapping, relocation, binding)": total - start,
        "a static PIE relocating itself": relocation,
        "C library start-up and exit (around main)": start - relocation - main,
        "locale requests (two setlocale calls)": locale,
        "output calls (puts, printf, final flush)": output,
        "the pause (sleep_for)": pause,
        "main itself": main - locale - output - pause,
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


def make_states(folder):
    """The two states' locale folders."""
    empty = folder / "no-locales"
    empty.mkdir()
    installed = folder / "installed"
    (installed / LOCALE_FOLDER.lstrip("/")).mkdir(parents=True)
    subprocess.run(["localedef", f"--prefix={installed}", "-c", "-i", "pt_PT", "-f",
                    "ISO-8859-1", "pt_PT.ISO-8859-1"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return {NO_PORTUGUESE: empty, PORTUGUESE: installed / LOCALE_FOLDER.lstrip("/")}


def make_locpath_states(folder):
    """LOCPATH for the same two states; there the locale is a folder of files,
    one for each category, as localedef writes it outside an archive."""
    empty = folder / "locpath-empty"
    files = folder / "locpath-files"
    empty.mkdir()
    files.mkdir()
    subprocess.run(["localedef", "-c", "-i", "pt_PT", "-f", "ISO-8859-1",
                    str(files / "pt_PT.ISO-8859-1")], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return {NO_PORTUGUESE: dict(ENV, LOCPATH=str(empty)),
            PORTUGUESE: dict(ENV, LOCPATH=str(files))}


def leave_states():
    """Unmounts whatever covers the locale folder."""
    while subprocess.run(["umount", LOCALE_FOLDER], env=PLAIN,
                         stderr=subprocess.DEVNULL).returncode == 0:
        pass


def enter_state(state, folder):
    """Mounts a state's folder over the locale folder, in place of the last."""
    leave_states()
    subprocess.run(["mount", "--bind", str(folder), LOCALE_FOLDER], env=PLAIN, check=True)
    probe = [sys.executable, "-c", "import locale; locale.setlocale(locale.LC_ALL, 'Portuguese')"]
    accepted = subprocess.run(probe, env=ENV, capture_output=True).returncode == 0
    if accepted != (state == PORTUGUESE):
        sys.exit(f"could not make the state '{state}'")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build-root", default=str(ROOT / "build"))
    parser.add_argument("--compiler", default="g++")
    options = parser.parse_args()
    if options.runs < 5:
        parser.error("medians need at least 5 runs")
    release = Path(options.build_root) / "release"
    portable = Path(options.build_root) / "portable"
    description = machine()  # before the locale folder is covered
    enter_a_mount_namespace()

    with tempfile.TemporaryDirectory(prefix="calcvendrali-bench-") as work:
        work = Path(work)
        states = make_states(work)
        floor, banner = ROOT / "bench/locale_floor.cpp", ROOT / "bench/banner.cpp"
        c = options.compiler
        subjects = [
            Subject("release build (dynamic)", [str(release / "CalcVendrali")], STREAM),
            Subject("portable build (static PIE)", [str(portable / "CalcVendrali")], STREAM),
            Subject("shell script (sh, printf, sleep)", ["/bin/sh", str(ROOT / "bench/screens.sh")],
                    STREAM),
            Subject("Python script", ["/usr/bin/python3", str(ROOT / "bench/screens.py")], STREAM),
            Subject("floor: one locale request, dynamic",
                    [build_like(release, work, "floor-dynamic", floor, c)], b""),
            Subject("floor: one locale request, static PIE",
                    [build_like(portable, work, "floor-static", floor, c)], b""),
            Subject("floor: banner only, dynamic",
                    [build_like(release, work, "banner-dynamic", banner, c)], BANNER),
            Subject("floor: banner only, static PIE",
                    [build_like(portable, work, "banner-static", banner, c)], BANNER),
        ]
        for state, folder in states.items():
            enter_state(state, folder)
            for subject in subjects:
                if output_to_pipe(subject.command, ENV) != subject.writes:
                    sys.exit(f"{subject.name} writes other bytes than expected: no figures.")

        profiles = {}
        for round_number in range(options.runs):
            print(f"round {round_number + 1} of {options.runs}", file=sys.stderr)
            for state, folder in states.items():
                enter_state(state, folder)
                for subject in subjects:
                    if subject.writes:
                        measure_on_terminal(subject, state, ENV, work)
                    files = callgrind(subject.command, ENV, work)
                    subject.record("instructions", state, total_instructions(files))
                    if subject in subjects[:2] and (state, subject.name) not in profiles:
                        profiles[state, subject.name] = profile(files[0])
        enter_state(NO_PORTUGUESE, states[NO_PORTUGUESE])
        with_locpath = {(state, subject.name): total_instructions(
            callgrind(subject.command, env, work))
            for state, env in make_locpath_states(work).items() for subject in subjects[:2]}
        leave_states()

    report(subjects, profiles, with_locpath, options.runs, description)


def report(subjects, profiles, with_locpath, runs, description):
    release, portable, shell, python, floor_dynamic, floor_static, banner_dynamic, \
        banner_static = subjects
    median = statistics.median
    print(f"Machine: {description}. {runs} runs of each, interleaved; "
          "median (min – max); times in ms from the spawn, on a pseudo-terminal.")
    for state in (NO_PORTUGUESE, PORTUGUESE):
        print(f"\n### State: {state}\n")
        print("| subject | instructions per run | peak resident KiB | banner on terminal | "
              "last byte | wall time beyond the pause |")
        print("|---|---:|---:|---:|---:|---:|")
        for subject in subjects:
            timed = state in subject.banner_ms
            whole_run = subject.writes == STREAM
            cells = [figures(subject.instructions[state], 0),
                     figures(subject.resident_kib[state], 0) if timed else "n/a",
                     figures(subject.banner_ms[state]) if timed else "n/a",
                     figures(subject.last_byte_ms[state]) if whole_run else "n/a",
                     figures(subject.beyond_pause_ms[state]) if whole_run else "n/a"]
            print(f"| {subject.name} | " + " | ".join(cells) + " |")

        print("\nWhere the instructions of one run go (callgrind, inclusive counts):\n")
        names = [release.name, portable.name]
        print("| part | " + " | ".join(names) + " |")
        print("|---|" + "---:|" * len(names))
        for part in profiles[state, release.name]:
            print(f"| {part} | " +
                  " | ".join(f"{profiles[state, name][part]:,}" for name in names) + " |")

    print("\nThe same states made with LOCPATH instead (instructions per run, and the "
          "difference to the figures above):\n")
    for state in (NO_PORTUGUESE, PORTUGUESE):
        for subject in subjects[:2]:
            count = with_locpath[state, subject.name]
            extra = count - median(subject.instructions[state])
            print(f"- {subject.name}, {state}: {count:,} ({extra:+,.0f})")

    def goal(text, value, limit, unit=""):
        print(f"- {text}: {value:,.1f}{unit} (goal at most {limit:,}{unit}): "
              f"{'met' if value <= limit else 'MISSED'}")

    print("\nGoals:\n")
    shell_count = median(shell.instructions[NO_PORTUGUESE])
    for build, limit in ((release, 50), (portable, 40)):
        goal(f"{build.name}, {NO_PORTUGUESE}: share of the shell script's instructions",
             100 * median(build.instructions[NO_PORTUGUESE]) / shell_count, limit, "%")
    for state in (NO_PORTUGUESE, PORTUGUESE):
        for build, floor in ((release, floor_dynamic), (portable, floor_static)):
            goal(f"{build.name}, {state}: instructions beyond the one-request floor",
                 median(build.instructions[state]) - median(floor.instructions[state]), 10000)
    for build in (release, portable):
        goal(f"{build.name}: peak resident memory, both states",
             max(max(values) for values in build.resident_kib.values()), 2048, " KiB")
    for state in (NO_PORTUGUESE, PORTUGUESE):
        for build, floor in ((release, banner_dynamic), (portable, banner_static)):
            goal(f"{build.name}, {state}: banner after the banner-only floor, medians",
                 median(build.banner_ms[state]) - median(floor.banner_ms[state]), 1, " ms")


if __name__ == "__main__":
    main()
