"""Runs the built program as a user's shell would, and knows what a run writes.

Every test script takes the same command line:
    script.py [--emulator CMD]... [--text-mode] PROGRAM FIXTURE
--emulator runs the program through another program (wine for the Windows
build); --text-mode expects each line feed written as carriage return plus
line feed, as a Windows program in text mode writes it.
"""

import argparse
import concurrent.futures
import os
import subprocess
import sys
import time
import unittest
from dataclasses import dataclass

PAUSE = 1.0  # seconds the banner stays on the screen
BANNER = b"H L O 9 4 O T A E\n A V 2 1 S F W R S\n\n"
SEPARATOR = b"=" * 33
CLEAR = b"\x1b[1;1H\x1b[2J"

_parser = argparse.ArgumentParser()
_parser.add_argument("--emulator", action="append", default=[])
_parser.add_argument("--text-mode", action="store_true")
_parser.add_argument("program")
_parser.add_argument("fixture")
_options, _rest = _parser.parse_known_args()

COMMAND = _options.emulator + [_options.program]
EMULATED = bool(_options.emulator)
with open(_options.fixture, "rb") as _f:
    STREAM = _f.read()


def as_written(data):
    """The bytes as they reach a file from this platform's text mode."""
    return data.replace(b"\n", b"\r\n") if _options.text_mode else data


@dataclass
class Run:
    status: int
    stdout: bytes
    stderr: bytes
    seconds: float


def run(args=(), env=None, timeout=30, **popen):
    """Runs the program once; stdout/stderr are captured unless given."""
    popen.setdefault("stdout", subprocess.PIPE)
    popen.setdefault("stderr", subprocess.PIPE)
    popen.setdefault("stdin", subprocess.DEVNULL)
    start = time.monotonic()
    done = subprocess.run(COMMAND + list(args), env=env, timeout=timeout, **popen)
    seconds = time.monotonic() - start
    return Run(done.returncode, done.stdout, done.stderr, seconds)


def run_all(cases, **common):
    """Runs one program per case at once (each mostly sleeps); cases map a
    name to keyword arguments of run()."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
        futures = {name: pool.submit(run, **common, **kw) for name, kw in cases.items()}
        return {name: f.result() for name, f in futures.items()}


def environment(**changes):
    """This process's environment with variables set (None removes one)."""
    env = dict(os.environ)
    for name, value in changes.items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return env


def main():
    unittest.main(argv=[sys.argv[0], "-v"] + _rest)
